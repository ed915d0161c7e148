#include "tests/kit/SystemColours.h"

#include "support/Platform.h"

SystemColours::SystemColours()
{
    for (int i = 0; i < kCount; ++i)
        colours_[i] = GetSysColor(i);
}

int SystemColours::Restore() const
{
    int elements[kCount], count = 0, changed = 0;
    COLORREF values[kCount];
    // Wine keeps the colours a process has read and never sees another
    // process change them: there every colour is set back, none counted.
    const bool wine = RunningUnderWine();
    for (int i = 0; i < kCount; ++i) {
        changed += !wine && GetSysColor(i) != colours_[i];
        if (wine || GetSysColor(i) != colours_[i]) {
            elements[count] = i;
            values[count++] = colours_[i];
        }
    }
    // One call: every window repaints once, not once a colour.
    if (count > 0)
        SetSysColors(count, elements, values);
    return changed;
}
