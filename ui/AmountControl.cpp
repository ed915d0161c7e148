#include "ui/AmountControl.h"

#include <commctrl.h>
#include <imm.h>

#include <cstdio>

#include "ui/FilterDialog.h"

namespace {
// The property of a hooked field or slider that leads to its amount.
constexpr char kAmountProperty[] = "HxAmountControl";

// Messages with which a person changes a field's text.
bool IsEdit(UINT message)
{
    switch (message) {
    case WM_CHAR:
    case WM_IME_CHAR:
    case WM_KEYDOWN:  // Delete, Shift+Delete, Shift+Insert
    case WM_PASTE:
    case WM_CUT:
    case WM_CLEAR:
    case WM_UNDO:
    case EM_UNDO:
    case EM_REPLACESEL:
    case WM_CONTEXTMENU:  // its Cut, Paste, Delete and Undo
        return true;
    default:
        return false;
    }
}

bool HasClass(HWND control, const char* name)
{
    char found[32] = {};
    GetClassNameA(control, found, sizeof found);
    return lstrcmpiA(found, name) == 0;
}
}  // namespace

void AmountControl::Bind(const AmountIds& controls, const SliderSteps& limits, std::int32_t reset, BareText rule)
{
    bound = true;
    ids = controls;
    steps = limits;
    fallback = reset;
    bare = rule;
}

bool AmountControl::Fits(HWND dialog, char* line, std::size_t size) const
{
    struct Style {
        LONG bits;
        const char* name;
    };
    struct Need {
        int id;
        const char* className;
        Style forbidden[4];
        Style required;
    };
    const Need needs[] = {
        {ids.slider, TRACKBAR_CLASSA, {{TBS_VERT, "TBS_VERT"}}, {}},
        // A field that takes digits only cannot take a minus.
        {ids.field,
         "Edit",
         {{ES_MULTILINE, "ES_MULTILINE"},
          {ES_READONLY, "ES_READONLY"},
          {ES_PASSWORD, "ES_PASSWORD"},
          {steps.min < 0 ? ES_NUMBER : 0, "ES_NUMBER"}},
         {}},
        {ids.spinner, UPDOWN_CLASSA, {}, {UDS_ARROWKEYS, "UDS_ARROWKEYS"}},
    };
    for (const Need& need : needs) {
        if (!need.id)
            continue;
        HWND control = GetDlgItem(dialog, need.id);
        if (!control) {
            std::snprintf(line, size, "コントロール %d がありません。", need.id);
            return false;
        }
        if (!HasClass(control, need.className)) {
            std::snprintf(line, size, "コントロール %d が %s ではありません。", need.id, need.className);
            return false;
        }
        const LONG style = GetWindowLongA(control, GWL_STYLE);
        for (const Style& forbidden : need.forbidden) {
            if (style & forbidden.bits) {
                std::snprintf(line, size, "コントロール %d に %s は使えません。", need.id, forbidden.name);
                return false;
            }
        }
        if ((style & need.required.bits) != need.required.bits) {
            std::snprintf(line, size, "コントロール %d に %s がありません。", need.id, need.required.name);
            return false;
        }
    }
    // The spinner steps the field it is the buddy of.
    if (ids.spinner && reinterpret_cast<HWND>(SendDlgItemMessageA(dialog, ids.spinner, UDM_GETBUDDY, 0, 0)) !=
                           GetDlgItem(dialog, ids.field)) {
        std::snprintf(line, size, "コントロール %d がコントロール %d の相手ではありません (UDS_AUTOBUDDY)。",
                      ids.spinner, ids.field);
        return false;
    }
    return true;
}

void AmountControl::Prepare(FilterDialog& dialog, std::int32_t amount)
{
    HWND window = dialog.window;
    if (ids.spinner)
        SendDlgItemMessageA(window, ids.spinner, UDM_SETRANGE32, static_cast<WPARAM>(steps.min), steps.max);
    // The range first: a slider clamps every position to its range, 0..100 until set.
    HWND slider = GetDlgItem(window, ids.slider);
    SendMessageA(slider, TBM_SETRANGEMIN, FALSE, steps.min);
    SendMessageA(slider, TBM_SETRANGEMAX, TRUE, steps.max);
    SendMessageA(slider, TBM_SETTICFREQ, static_cast<WPARAM>(steps.page), 0);
    HWND field = GetDlgItem(window, ids.field);
    // With the Japanese IME on, digits would arrive full-width and be
    // rejected; number fields take keys as they are.
    ImmAssociateContext(field, nullptr);
    Hook(field, FieldProc, fieldProc);
    Hook(slider, SliderProc, sliderProc);
    SetDlgItemInt(window, ids.field, static_cast<UINT>(amount), TRUE);  // runs OnFieldUpdate
    MoveSlider(window, amount);
}

void AmountControl::Hook(HWND control, WNDPROC proc, WNDPROC& previous)
{
    SetPropA(control, kAmountProperty, this);
    previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc)));
}

LRESULT CALLBACK AmountControl::FieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* amount = static_cast<AmountControl*>(GetPropA(field, kAmountProperty));
    return amount->OnFieldMessage(field, message, wParam, lParam);
}

LRESULT CALLBACK AmountControl::SliderProc(HWND slider, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* amount = static_cast<AmountControl*>(GetPropA(slider, kAmountProperty));
    return amount->OnSliderMessage(slider, message, wParam, lParam);
}

LRESULT AmountControl::OnFieldMessage(HWND field, UINT message, WPARAM wParam, LPARAM lParam)
{
    const WNDPROC previous = fieldProc;
    if (message == WM_NCDESTROY) {
        RemovePropA(field, kAmountProperty);
        SetWindowLongPtrA(field, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    }
    if (message == WM_KILLFOCUS)
        focusTaker = reinterpret_cast<HWND>(wParam);
    if (!IsEdit(message) || edit.active || rewriting)
        return CallWindowProcA(previous, field, message, wParam, lParam);
    // As it stands, for a refused edit to leave it so.
    edit.active = true;
    edit.refused = false;
    GetWindowTextA(field, edit.text, sizeof edit.text);
    SendMessageA(field, EM_GETSEL, reinterpret_cast<WPARAM>(&edit.start), reinterpret_cast<LPARAM>(&edit.end));
    const LRESULT result = CallWindowProcA(previous, field, message, wParam, lParam);
    // The control may have placed its caret after the text was put back.
    if (edit.refused)
        SendMessageA(field, EM_SETSEL, edit.start, edit.end);
    edit.active = false;
    return result;
}

LRESULT AmountControl::OnSliderMessage(HWND slider, UINT message, WPARAM wParam, LPARAM lParam)
{
    const WNDPROC previous = sliderProc;
    if (message == WM_NCDESTROY) {
        RemovePropA(slider, kAmountProperty);
        SetWindowLongPtrA(slider, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    }
    // Home and End as the slider reports them, from every position: the
    // trackbar says nothing when its thumb already sits where the key moves it,
    // and the amount's ends are the other way round (Home the upper one).
    if (message == WM_KEYDOWN && (wParam == VK_HOME || wParam == VK_END)) {
        // The key's release ends the action (TB_ENDTRACK) as ever.
        const WPARAM code = wParam == VK_HOME ? TB_TOP : TB_BOTTOM;
        SendMessageA(GetParent(slider), WM_HSCROLL, code, reinterpret_cast<LPARAM>(slider));
        return 0;
    }
    return CallWindowProcA(previous, slider, message, wParam, lParam);
}

void AmountControl::OnFieldUpdate(FilterDialog& dialog)
{
    if (rewriting)
        return;
    char text[kNumberTextChars + 1] = {};
    GetDlgItemTextA(dialog.window, ids.field, text, sizeof text);
    const std::optional<std::int32_t> amount = ParseNumberText(text, steps.min, steps.max);
    if (!amount) {
        if (IsUnfinishedNumberText(text, steps.min, steps.max, bare))
            return;
        if (!edit.active) {
            ShowValue(dialog.window);
            return;
        }
        // As a validator refuses a key: the text, the caret and the selection as they were.
        edit.refused = true;
        rewriting = true;
        SetDlgItemTextA(dialog.window, ids.field, edit.text);
        SendDlgItemMessageA(dialog.window, ids.field, EM_SETSEL, edit.start, edit.end);
        rewriting = false;
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
    if (!focusTaker || !IsChild(dialog.window, focusTaker))
        return;
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

void AmountControl::OnSpin(FilterDialog& dialog, int delta)
{
    const std::int64_t stepped = std::int64_t{value} + delta;
    const std::int32_t amount =
        static_cast<std::int32_t>(stepped < steps.min ? steps.min : stepped > steps.max ? steps.max : stepped);
    SetDlgItemInt(dialog.window, ids.field, static_cast<UINT>(amount), TRUE);
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
