// For the runner's test: prints the input mode of the console it runs in,
// whatever its own stdin is, as a program the runner starts sees it.
#include <windows.h>

#include <cstdio>

int main()
{
    HANDLE input = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    DWORD mode = 0;
    if (input == INVALID_HANDLE_VALUE || !GetConsoleMode(input, &mode)) {
        std::printf("console input mode unknown (error %lu)\n", GetLastError());
        return 1;
    }
    std::printf("console input mode 0x%lx\n", mode);
    return 0;
}
