#include "tests/kit/QuickEditOff.h"

QuickEditOff::QuickEditOff()
{
    // The console's own input, even where stdin is redirected: the window is what a click reaches.
    input_ = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
    if (input_ == INVALID_HANDLE_VALUE)
        return;
    // QuickEdit is changed only with ENABLE_EXTENDED_FLAGS; a mode that reports
    // it on has that flag too, so the mode read is the one to put back.
    if (!GetConsoleMode(input_, &mode_) || !(mode_ & ENABLE_QUICK_EDIT_MODE) ||
        !SetConsoleMode(input_, (mode_ | ENABLE_EXTENDED_FLAGS) & ~ENABLE_QUICK_EDIT_MODE)) {
        CloseHandle(input_);
        input_ = INVALID_HANDLE_VALUE;
    }
}

QuickEditOff::~QuickEditOff()
{
    if (input_ == INVALID_HANDLE_VALUE)
        return;
    SetConsoleMode(input_, mode_);
    CloseHandle(input_);
}
