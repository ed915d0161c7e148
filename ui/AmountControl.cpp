#include "ui/AmountControl.h"

#include <commctrl.h>
#include <imm.h>

#include "ui/FilterDialog.h"
#include "ui/NumberText.h"

void AmountControl::Bind(const AmountIds& controls, const SliderSteps& limits, std::int32_t reset)
{
    bound = true;
    ids = controls;
    steps = limits;
    fallback = reset;
}

void AmountControl::Prepare(FilterDialog& dialog, std::int32_t amount)
{
    HWND window = dialog.window;
    if (ids.spinner) {
        HWND spinner = GetDlgItem(window, ids.spinner);
        // Without it the spinner writes "1,000", which no field takes; a
        // template may lack it, and the control reads its style as it goes.
        SetWindowLongA(spinner, GWL_STYLE, GetWindowLongA(spinner, GWL_STYLE) | UDS_NOTHOUSANDS);
        SendMessageA(spinner, UDM_SETRANGE32, static_cast<WPARAM>(steps.min), steps.max);
    }
    // The range first: a slider clamps every position to its range, 0..100 until set.
    HWND slider = GetDlgItem(window, ids.slider);
    SendMessageA(slider, TBM_SETRANGEMIN, FALSE, steps.min);
    SendMessageA(slider, TBM_SETRANGEMAX, TRUE, steps.max);
    SendMessageA(slider, TBM_SETTICFREQ, static_cast<WPARAM>(steps.page), 0);
    // With the Japanese IME on, digits would arrive full-width and be
    // rejected; number fields take keys as they are.
    ImmAssociateContext(GetDlgItem(window, ids.field), nullptr);
    SetDlgItemInt(window, ids.field, static_cast<UINT>(amount), TRUE);  // runs OnFieldUpdate
    MoveSlider(window, amount);
}

void AmountControl::OnFieldUpdate(FilterDialog& dialog)
{
    if (rewriting)
        return;
    char text[kNumberTextChars + 1] = {};
    GetDlgItemTextA(dialog.window, ids.field, text, sizeof text);
    const std::optional<std::int32_t> amount = ParseNumberText(text, steps.min, steps.max);
    if (!amount) {
        if (!IsUnfinishedNumberText(text, steps.min, steps.max))
            ShowValue(dialog.window);
        return;
    }
    if (*amount == value)
        return;
    value = *amount;
    MoveSlider(dialog.window, value);
    if (dialog.IsPreviewChecked())
        dialog.pane.Refresh();
}

void AmountControl::OnFieldLeft(FilterDialog& dialog)
{
    char text[kNumberTextChars + 1] = {};
    GetDlgItemTextA(dialog.window, ids.field, text, sizeof text);
    if (ParseNumberText(text, steps.min, steps.max) != value)
        ShowValue(dialog.window);
}

INT_PTR AmountControl::OnScroll(FilterDialog& dialog, WPARAM wParam)
{
    const std::optional<std::int32_t> amount = ScrollCodeToValue(LOWORD(wParam), HIWORD(wParam), value, steps);
    if (amount)
        SetDlgItemInt(dialog.window, ids.field, static_cast<UINT>(*amount), TRUE);
    // The trackbar has already moved its own thumb (Home at the upper end
    // puts it at the far end even though the amount stays); bring it back.
    MoveSlider(dialog.window, value);
    return amount ? 1 : 0;
}

void AmountControl::Reset(FilterDialog& dialog)
{
    // A text that cannot be negative goes unsigned.
    SetDlgItemInt(dialog.window, ids.field, static_cast<UINT>(fallback), fallback < 0 ? TRUE : FALSE);
}

void AmountControl::ShowValue(HWND dialog)
{
    rewriting = true;
    SetDlgItemInt(dialog, ids.field, static_cast<UINT>(value), TRUE);
    rewriting = false;
}

void AmountControl::MoveSlider(HWND dialog, std::int32_t amount) const
{
    SendMessageA(GetDlgItem(dialog, ids.slider), TBM_SETPOS, TRUE, amount);
}
