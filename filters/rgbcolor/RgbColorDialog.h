#pragma once
#include "ui/SettingsDialog.h"

// Settings dialog of the RGB Color filter (template 119): per channel a
// slider, a number field and a spinner that always agree; a button that sets
// all three amounts to 0.
class RgbColorDialog : public SettingsDialog {
public:
    RgbColorDialog();
    ~RgbColorDialog() override;

    // The channels, in the order of the filter's table.
    AmountControl& red = amounts[0];
    AmountControl& green = amounts[1];
    AmountControl& blue = amounts[2];
};
