#include "filters/rgbcolor/RgbSettings.h"

#include <cstdint>

#include "filters/rgbcolor/ChannelMath.h"

namespace {
constexpr SettingsKey kKeys[] = {
    {"r", 0, kMinAmount, kMaxAmount},
    {"g", 0, kMinAmount, kMaxAmount},
    {"b", 0, kMinAmount, kMaxAmount},
    {"preview", 0, INT32_MIN, INT32_MAX},
};
static_assert(sizeof kKeys / sizeof kKeys[0] == kRgbSettingCount, "a key for each setting");
}  // namespace

constexpr FilterSettings kRgbSettings("RGBColor", kKeys);
