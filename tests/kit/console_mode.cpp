// For the runner's test: prints the input mode of the console it runs in,
// whatever its own stdin is, as a program the runner starts sees it.
// --hold-shift: presses Shift and waits to be ended; --shift: says whether Shift is down.
#include <windows.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--hold-shift") == 0) {
        INPUT shift{INPUT_KEYBOARD, {}};
        shift.ki.wVk = VK_SHIFT;
        SendInput(1, &shift, sizeof shift);
        Sleep(INFINITE);
    }
    if (argc > 1 && std::strcmp(argv[1], "--shift") == 0) {
        std::printf("Shift %s\n", GetAsyncKeyState(VK_SHIFT) < 0 ? "down" : "up");
        return 0;
    }
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
