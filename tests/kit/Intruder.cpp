// intruder.exe: another program on the desktop while the tests run.
//   intruder [--every MS] COMMAND [ARGUMENTS...]
// Runs COMMAND (bin\run-tests.exe --no-pause NAME..., say) beside a small window
// that it brings to the front every 3 s (or MS milliseconds) as forcefully as a
// program may; exits 0 only when COMMAND exited 0 and the window got in front,
// received no key and no click, and found nothing left down; 2 when COMMAND
// cannot start.
//   intruder --notification
// Shows the window on top without taking the foreground, as a notification
// does, until it is ended (the dialog driver's test).
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "tests/wine/support/Platform.h"

namespace {

int keys = 0, characters = 0, clicks = 0;
int attempts = 0, taken = 0;
DWORD started = GetTickCount();

// Counted and said at once, with the test that drives a dialog now (its
// driver's owner window bears its program's and test's names).
void Stray(int& count, const char* what, WPARAM code)
{
    ++count;
    char sender[300] = "no dialog test";
    GetWindowTextA(FindWindowA("HxDialogDriverOwner", nullptr), sender, sizeof sender);
    std::printf("intruder: received %s 0x%02X at %lu s, while %s ran\n", what, static_cast<unsigned>(code),
                (GetTickCount() - started) / 1000, sender);
    std::fflush(stdout);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN) {
        Stray(keys, "key", wParam);
    } else if (message == WM_CHAR || message == WM_SYSCHAR) {
        Stray(characters, "character", wParam);
    } else if (IsButtonMessage(message, true)) {
        Stray(clicks, "click", message);
    } else if (message == WM_TIMER) {
        // A hop through the topmost band, then what BringForward tries.
        ++attempts;
        SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        taken += BringForward(window);
    } else if (message == WM_CLOSE) {
        return 0;  // a stray Alt+F4 must not end the count
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// The first word of a command line, and the rest as typed.
std::wstring TakeWord(const wchar_t*& line)
{
    const wchar_t* start = line;
    for (bool quoted = false; *line && (quoted || (*line != L' ' && *line != L'\t')); ++line)
        quoted = quoted != (*line == L'"');
    std::wstring word(start, line);
    while (*line == L' ' || *line == L'\t')
        ++line;
    return word;
}

HWND MakeWindow(bool notification)
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"HxIntruder";
    RegisterClassW(&wc);
    // Over the middle of the screen, where the tests' dialogs open.
    const int width = 320, height = 200;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    HWND window = CreateWindowExW(notification ? WS_EX_TOPMOST | WS_EX_NOACTIVATE : 0, L"HxIntruder",
                                  L"intruder: keys and clicks here went astray", WS_OVERLAPPEDWINDOW, x, y, width,
                                  height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ShowWindow(window, notification ? SW_SHOWNOACTIVATE : SW_SHOW);
    return window;
}

}  // namespace

int main()
{
    const wchar_t* line = GetCommandLineW();
    TakeWord(line);
    UINT everyMs = 3000;
    if (std::wcsncmp(line, L"--every ", 8) == 0) {
        line += 8;
        everyMs = std::wcstoul(TakeWord(line).c_str(), nullptr, 10);
    }
    std::wstring command = line;
    if (command.empty() || everyMs == 0) {
        std::fputs("usage: intruder [--every MS] COMMAND [ARGUMENTS...]\n       intruder --notification\n", stderr);
        return 2;
    }
    const bool notification = command == L"--notification";
    HWND window = MakeWindow(notification);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{GetCurrentProcess(), nullptr, 0, 0};  // a notification stays until it is ended
    if (!window || (!notification && !CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr,
                                                     nullptr, &startup, &child))) {
        std::fprintf(stderr, "intruder: cannot start %ls (error %lu)\n", command.c_str(), GetLastError());
        return 2;
    }
    if (!notification)
        SetTimer(window, 1, everyMs, nullptr);
    while (MsgWaitForMultipleObjects(1, &child.hProcess, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
        for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    DWORD code = 1;
    GetExitCodeProcess(child.hProcess, &code);
    DestroyWindow(window);
    const std::string held = HeldDown(false).empty() ? " nothing" : HeldDown(false);
    std::printf("intruder: in front %d of %d times in %lu s; received %d keys, %d characters, %d clicks; "
                "left down:%s; the command exited %lu\n",
                taken, attempts, (GetTickCount() - started) / 1000, keys, characters, clicks, held.c_str(), code);
    // Never in front, it proved nothing: the tests' input had nowhere else to go.
    if (taken == 0)
        std::printf("intruder: never got in front in %d tries: this run proves nothing\n", attempts);
    return code == 0 && taken > 0 && held == " nothing" && keys + characters + clicks == 0 ? 0 : 1;
}
