#pragma once
#include <windows.h>

// The desktop's colours (GetSysColor) as they were when taken. A test may
// change them (SetSysColors) and put them back itself; one that the runner
// ends, or that forgets, leaves them changed for the whole session.
class SystemColours {
public:
    SystemColours();
    // Sets back each colour that differs now; returns how many did.
    int Restore() const;

private:
    static const int kCount = COLOR_MENUBAR + 1;
    COLORREF colours_[kCount];
};
