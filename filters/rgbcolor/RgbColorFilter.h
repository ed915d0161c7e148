#pragma once
#include "plugin/Filter.h"

// Scales the red, green and blue channels by the amounts stored in the settings file.
class RgbColorFilter : public Filter {
public:
    RgbColorFilter();
    ~RgbColorFilter() override;

    void Execute(HostArg owner, HostArg source, HostArg destination, HostArg arg4, HostArg rect, HostArg arg6,
                 HostArg pitch, HostArg arg8, ProgressSink* sink) override;
};
