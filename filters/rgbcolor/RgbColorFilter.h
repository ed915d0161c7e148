#pragma once
#include "filters/rgbcolor/ChannelMath.h"
#include "plugin/Filter.h"

// Scales the red, green and blue channels by the amounts stored in the settings file.
class RgbColorFilter : public Filter {
public:
    RgbColorFilter();
    ~RgbColorFilter() override;

    void Execute(HostArg owner, HostArg source, HostArg destination, HostArg arg4, HostArg rect, HostArg arg6,
                 HostArg pitch, HostArg arg8, ProgressSink* sink) override;
    // Opens the settings dialog over the image; 1 only when the user confirmed with OK.
    std::int32_t Setup(HWND parent, Bgra32* pixels, std::int32_t width, std::int32_t height) override;

    // The loop that runs and the preview go through, chosen once at load.
    static ScanlineFunction Scanline();
};
