#include "tests/kit/SystemColours.h"

#include "support/Platform.h"

SystemColours::SystemColours()
{
    for (int i = 0; i < kCount; ++i)
        colours_[i] = GetSysColor(i);
}

int SystemColours::Restore() const
{
    int elements[kCount];
    COLORREF values[kCount];
    int changed = 0;
    // Wine keeps the colours a process has read and never sees another
    // process change them: there every colour is set back, none counted.
    const bool wine = RunningUnderWine();
    for (int i = 0; i < kCount; ++i) {
        if (wine) {
            elements[i] = i;
            values[i] = colours_[i];
        } else if (GetSysColor(i) != colours_[i]) {
            elements[changed] = i;
            values[changed++] = colours_[i];
        }
    }
    // One call: every window repaints once, not once a colour.
    if (changed > 0 || wine)
        SetSysColors(wine ? kCount : changed, elements, values);
    return changed;
}
