#pragma once
#include "plugin/FilterSettings.h"

// Section "RGBColor" of kwfilters.ini, keys in the order they are read and
// written: the amounts r, g, b (-100..100, a run refuses others) and the
// preview check box (any value, 0 off); each 0 when missing.
enum RgbSetting { kRgbRed, kRgbGreen, kRgbBlue, kRgbPreview, kRgbSettingCount };
extern const FilterSettings kRgbSettings;
