#include "filters/rgbcolor/RgbColorDialog.h"

#include "filters/rgbcolor/RgbColorFilter.h"

RgbColorDialog::RgbColorDialog() : SettingsDialog(kRgbColorTable) {}

RgbColorDialog::~RgbColorDialog() = default;
