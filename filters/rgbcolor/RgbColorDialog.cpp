#include "filters/rgbcolor/RgbColorDialog.h"

#include "filters/rgbcolor/RgbColorFilter.h"

RgbColorDialog::RgbColorDialog() : SettingsDialog(kRgbColorTable, {&red, &green, &blue}) {}

RgbColorDialog::~RgbColorDialog() = default;
