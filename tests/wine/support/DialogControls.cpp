#include "support/DialogControls.h"

#include <commctrl.h>

#include "filters/rgbcolor/RgbColorIds.h"
#include "resources/resource.h"
#include "support/DialogDriver.h"

const ChannelIds kRed{IDC_RED_SLIDER, IDC_RED_EDIT, IDC_RED_SPIN};
const ChannelIds kGreen{IDC_GREEN_SLIDER, IDC_GREEN_EDIT, IDC_GREEN_SPIN};
const ChannelIds kBlue{IDC_BLUE_SLIDER, IDC_BLUE_EDIT, IDC_BLUE_SPIN};
const ChannelIds kChannels[3] = {kRed, kGreen, kBlue};

std::string FieldText(HWND dialog, int id)
{
    char text[64] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

int SliderPosition(HWND dialog, int id)
{
    return static_cast<int>(SendDlgItemMessageA(dialog, id, TBM_GETPOS, 0, 0));
}

bool PreviewChecked(HWND dialog)
{
    return IsDlgButtonChecked(dialog, IDC_PREVIEW_CHECK) == BST_CHECKED;
}

void SelectField(HWND dialog, int id)
{
    SetFocus(GetDlgItem(dialog, id));
    SendDlgItemMessageA(dialog, id, EM_SETSEL, 0, -1);
}

void ClickSpinner(HWND dialog, int id, bool up)
{
    HWND spin = GetDlgItem(dialog, id);
    RECT r;
    GetClientRect(spin, &r);
    ClickAt(spin, r.right / 2, up ? r.bottom / 4 : r.bottom * 3 / 4);
}

::testing::AssertionResult InStep(HWND dialog, const ChannelIds& c, int expected)
{
    const std::string text = FieldText(dialog, c.field);
    const int position = SliderPosition(dialog, c.slider);
    if (text != std::to_string(expected) || position != expected)
        return ::testing::AssertionFailure() << "field '" << text << "', slider " << position << ", expected "
                                             << expected;
    return ::testing::AssertionSuccess();
}
