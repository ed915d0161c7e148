#include "filters/rgbcolor/RgbColorDialog.h"

#include <commctrl.h>
#include <imm.h>

#include "filters/rgbcolor/ChannelMath.h"
#include "filters/rgbcolor/ChannelSlider.h"
#include "filters/rgbcolor/RgbColorFilter.h"
#include "filters/rgbcolor/RgbColorIds.h"
#include "filters/rgbcolor/RgbSettings.h"
#include "plugin/Filter.h"
#include "resource.h"
#include "ui/NumberText.h"

namespace {
constexpr int kFieldTextSize = kNumberTextChars + 1;
}  // namespace

const RgbColorDialog::ChannelIds RgbColorDialog::kChannelIds[3] = {
    {IDC_RED_SLIDER, IDC_RED_EDIT, IDC_RED_SPIN},
    {IDC_GREEN_SLIDER, IDC_GREEN_EDIT, IDC_GREEN_SPIN},
    {IDC_BLUE_SLIDER, IDC_BLUE_EDIT, IDC_BLUE_SPIN},
};

RgbColorDialog::RgbColorDialog() : FilterDialog(IDD_RGBCOLOR) {}

RgbColorDialog::~RgbColorDialog() = default;

RgbChannel& RgbColorDialog::Channel(int index)
{
    return index == 0 ? red : index == 1 ? green : blue;
}

int RgbColorDialog::ChannelOfField(int id)
{
    for (int i = 0; i < 3; ++i)
        if (kChannelIds[i].field == id)
            return i;
    return -1;
}

int RgbColorDialog::ChannelOfSlider(int id)
{
    for (int i = 0; i < 3; ++i)
        if (kChannelIds[i].slider == id)
            return i;
    return -1;
}

INT_PTR RgbColorDialog::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_HSCROLL && lParam) {
        int channel = ChannelOfSlider(GetDlgCtrlID(reinterpret_cast<HWND>(lParam)));
        if (channel >= 0)
            return OnSliderScroll(channel, wParam);
    }
    return FilterDialog::HandleMessage(window, message, wParam, lParam);
}

INT_PTR RgbColorDialog::OnInitDialog()
{
    FilterDialog::OnInitDialog();
    std::int32_t stored[kRgbSettingCount];
    kRgbSettings.Load(stored);
    for (int i = 0; i < 3; ++i) {
        const ChannelIds& ids = kChannelIds[i];
        SendMessageA(GetDlgItem(window, ids.spinner), UDM_SETRANGE32, static_cast<WPARAM>(kMinAmount), kMaxAmount);
        // The range first: a slider clamps every position to its range, 0..100 until set.
        HWND slider = GetDlgItem(window, ids.slider);
        SendMessageA(slider, TBM_SETRANGEMIN, FALSE, kMinAmount);
        SendMessageA(slider, TBM_SETRANGEMAX, TRUE, kMaxAmount);
        SendMessageA(slider, TBM_SETTICFREQ, 10, 0);
        // With the Japanese IME on, digits would arrive full-width and be
        // rejected; numeric fields take keys as they are.
        ImmAssociateContext(GetDlgItem(window, ids.field), nullptr);
        const std::int32_t amount = kRgbSettings.InLimits(i, stored[i]) ? stored[i] : Channel(i).value;
        SetDlgItemInt(window, ids.field, static_cast<UINT>(amount), TRUE);  // runs OnFieldUpdate
        SetSliderPosition(i, amount);
    }
    CheckDlgButton(window, IDC_PREVIEW_CHECK, stored[kRgbPreview] != 0 ? BST_CHECKED : BST_UNCHECKED);
    return 1;
}

INT_PTR RgbColorDialog::OnCommand(HWND control, WPARAM wParam, WORD code)
{
    const int id = LOWORD(wParam);
    const int channel = ChannelOfField(id);
    if (code == EN_UPDATE && channel >= 0)
        OnFieldUpdate(channel);
    else if (id == IDC_RESET && code != EN_UPDATE)
        ResetChannels();
    return FilterDialog::OnCommand(control, wParam, code);
}

// The hub: every change of an amount arrives here as a new field text.
void RgbColorDialog::OnFieldUpdate(int index)
{
    RgbChannel& channel = Channel(index);
    if (channel.rewriting)
        return;
    const int field = kChannelIds[index].field;
    char text[kFieldTextSize] = {};
    GetDlgItemTextA(window, field, text, kFieldTextSize);
    std::optional<std::int32_t> amount = ParseNumberText(text, kMinAmount, kMaxAmount);
    if (!amount) {
        channel.rewriting = true;
        SetDlgItemInt(window, field, static_cast<UINT>(channel.value), TRUE);
        channel.rewriting = false;
        return;
    }
    if (*amount == channel.value)
        return;
    channel.value = *amount;
    SetSliderPosition(index, channel.value);
    if (IsPreviewChecked())
        pane.Refresh();
}

INT_PTR RgbColorDialog::OnSliderScroll(int index, WPARAM wParam)
{
    std::optional<std::int32_t> amount =
        ScrollCodeToValue(LOWORD(wParam), HIWORD(wParam), Channel(index).value);
    if (amount)
        SetDlgItemInt(window, kChannelIds[index].field, static_cast<UINT>(*amount), TRUE);
    // The trackbar has already moved its own thumb (Home at 100 puts it at the
    // far end even though the amount stays); bring it back to the amount.
    SetSliderPosition(index, Channel(index).value);
    return amount ? 1 : 0;
}

void RgbColorDialog::SetSliderPosition(int index, std::int32_t amount)
{
    SendMessageA(GetDlgItem(window, kChannelIds[index].slider), TBM_SETPOS, TRUE, amount);
}

void RgbColorDialog::ResetChannels()
{
    pane.suspendPainting = true;
    for (const ChannelIds& ids : kChannelIds)
        SetDlgItemInt(window, ids.field, 0, FALSE);
    pane.suspendPainting = false;
    if (IsPreviewChecked())
        pane.Refresh();
}

bool RgbColorDialog::RenderPreview(PreviewPane& target, const PanePoint& offset, const PanePoint& scroll,
                                   const PanePoint& size)
{
    if (!IsPreviewChecked())
        return FilterDialog::RenderPreview(target, offset, scroll, size);
    // The fields always show the channels' values (a rejected text is put
    // back at once). Read back through GetDlgItemInt they would cost three
    // window lookups a paint, about as much under Wine as the whole render.
    const ChannelAmounts amounts{red.value, green.value, blue.value};
    const ScanlineFunction adjust = RgbColorFilter::Scanline();
    return RenderFiltered(target, offset, scroll, size,
                          [&](const Bgra32* source, Bgra32* filtered, std::int32_t count) {
                              adjust(source, filtered, count, amounts);
                          });
}

bool RgbColorDialog::SaveSettings()
{
    std::int32_t values[kRgbSettingCount];
    for (int i = 0; i < 3; ++i) {
        if (!ReadDialogInt(kChannelIds[i].field, values[i])) {
            Filter::ReportError(window, Filter::kSaveFailedText, nullptr);
            return false;
        }
    }
    values[kRgbPreview] = IsPreviewChecked() ? 1 : 0;
    return kRgbSettings.Save(window, values);
}
