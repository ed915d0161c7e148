#pragma once
#include "filters/rgbcolor/ChannelMath.h"
#include "plugin/PixelFilter.h"

// Scales the red, green and blue channels by the amounts stored in the settings file.
class RgbColorFilter : public PixelFilter {
public:
    RgbColorFilter();
    ~RgbColorFilter() override;

    // Opens the settings dialog over the image; 1 only when the user confirmed with OK.
    std::int32_t Setup(HWND parent, Bgra32* pixels, std::int32_t width, std::int32_t height) override;

    // The loop that runs and the preview go through, chosen once at load.
    static ScanlineFunction Scanline();

protected:
    // The amounts read afresh and checked, then each row through the loop.
    void Run(const RunRequest& run) override;
};
