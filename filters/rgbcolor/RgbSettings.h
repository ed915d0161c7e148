#pragma once
#include <cstdint>

// The values kept in section "RGBColor" of kwfilters.ini. They are not
// validated here: a run refuses out-of-range amounts, the dialog shows 0.
struct RgbSettings {
    std::int32_t r;
    std::int32_t g;
    std::int32_t b;
    std::int32_t preview;
};

constexpr char kRgbSection[] = "RGBColor";
constexpr char kRedKey[] = "r";
constexpr char kGreenKey[] = "g";
constexpr char kBlueKey[] = "b";
constexpr char kPreviewKey[] = "preview";

// Reads the four keys afresh; 0 for whatever the file does not hold.
void LoadRgbSettings(RgbSettings& settings);
