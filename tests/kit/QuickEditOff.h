#pragma once
#include <windows.h>

// The console's QuickEdit mode, off while this lives: with it on, a click in
// the console window selects text and halts every write to the console until
// the selection ends, and with it the run. The mode is put back as it was.
class QuickEditOff {
public:
    QuickEditOff();
    ~QuickEditOff();
    QuickEditOff(const QuickEditOff&) = delete;
    QuickEditOff& operator=(const QuickEditOff&) = delete;

private:
    HANDLE input_ = INVALID_HANDLE_VALUE;
    DWORD mode_ = 0;
};
