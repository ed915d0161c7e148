#include "tests/filters/tone/ToneFilter.h"

#include <cstdint>

#include "tests/filters/tone/ToneIds.h"

namespace {
enum ToneSetting { kBrightness, kContrast, kPreview };
constexpr SettingsKey kKeys[] = {
    {"brightness", 100, 0, 200},
    {"contrast", 0, -50, 50},
    {"preview", 0, INT32_MIN, INT32_MAX},
};
constexpr FilterSettings kSettings = FilterSettings::Of("Tone", kKeys);

struct ToneRows {
    explicit ToneRows(const std::int32_t* values) : brightness(values[kBrightness]), contrast(values[kContrast]) {}

    std::uint8_t Channel(int value) const
    {
        const int lit = value * brightness / 100;
        const int result = (lit - 128) * (100 + contrast) / 100 + 128;
        return static_cast<std::uint8_t>(result < 0 ? 0 : result > 255 ? 255 : result);
    }
    void operator()(const Bgra32* source, Bgra32* destination, std::int32_t count) const
    {
        for (std::int32_t i = 0; i < count; ++i) {
            const Bgra32 p = source[i];  // whole pixel first: source may be destination
            destination[i] = Bgra32{Channel(p.blue), Channel(p.green), Channel(p.red), p.alpha};
        }
    }

    int brightness;
    int contrast;
};

constexpr AmountBinding kAmounts[] = {
    {kBrightness, IDC_TONE_BRIGHTNESS_SLIDER, IDC_TONE_BRIGHTNESS_EDIT, IDC_TONE_BRIGHTNESS_SPIN},
    {kContrast, IDC_TONE_CONTRAST_SLIDER, IDC_TONE_CONTRAST_EDIT, IDC_TONE_CONTRAST_SPIN, 5},
};
constexpr FilterTable kTable =
    FilterTable::Of(kSettings, FilterRows::Of<ToneRows>(), IDD_TONE, kAmounts, kPreview, IDC_TONE_RESET);
}  // namespace

ToneFilter::ToneFilter() : TableFilter("Tone...|トーン...", "Color|カラー", kTable) {}
