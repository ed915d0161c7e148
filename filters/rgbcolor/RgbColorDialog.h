#pragma once
#include "table/SettingsDialog.h"

// Settings dialog of the RGB Color filter (template 119): per channel a
// slider, a number field and a spinner that always agree, in the order red,
// green, blue of the filter's table; a button that sets all three amounts to 0.
class RgbColorDialog : public SettingsDialog {
public:
    RgbColorDialog();
    ~RgbColorDialog() override;
};
