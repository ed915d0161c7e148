#pragma once
#include "filters/rgbcolor/ChannelMath.h"
#include "table/TableFilter.h"

// Scales the red, green and blue channels by the amounts stored in section
// "RGBColor" of kwfilters.ini: r, g, b (-100..100, a run refuses others) and
// the preview check box (any value, 0 off); each 0 when missing.
class RgbColorFilter : public TableFilter {
public:
    RgbColorFilter();
    ~RgbColorFilter() override;

    // Opens the settings dialog over the image; 1 only when the user confirmed with OK.
    std::int32_t Setup(HWND parent, Bgra32* pixels, std::int32_t width, std::int32_t height) override;

    // The loop that runs and the preview go through, chosen once at load.
    static ScanlineFunction Scanline();
};

// Its settings, its rows, and which control of its dialog stands for which key.
extern const FilterTable kRgbColorTable;
