#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "ui/NumberText.h"
#include "ui/SliderRule.h"

class FilterDialog;

// The controls of an amount: a slider, a number field and a spinner (0: none).
struct AmountIds {
    int slider;
    int field;
    int spinner;
};

// One amount of a filter's dialog: a slider, a number field and an optional
// spinner that always agree. The field is the hub: the slider, the spinner,
// typing, a reset and the dialog's start all change the amount only by
// putting a new text into the field, and its one handler decides. Whenever a
// handler has returned, the slider sits at `value` and the field shows it,
// or, while the field has the focus, a text on its way to another amount.
class AmountControl {
public:
    // The amount; within its limits from the first accepted text on.
    std::int32_t value = 0;
    // Set while the control puts a text back into the field itself, so that
    // the field's own change report is not handled again.
    bool rewriting = false;

    // Its controls, limits and page step, the amount of a reset and whether a
    // bare field stands; before any of the rest.
    void Bind(const AmountIds& ids, const SliderSteps& steps, std::int32_t fallback, BareText bare);
    bool HasField(int id) const { return bound && ids.field == id; }
    bool HasSlider(int id) const { return bound && ids.slider == id; }
    bool HasSpinner(int id) const { return bound && ids.spinner && ids.spinner == id; }

    // At WM_INITDIALOG, before Prepare: whether the template's controls are
    // what the amount needs (docs/filters.md lists it); if not, says why in
    // `line` (one line, code page 932).
    bool Fits(HWND dialog, char* line, std::size_t size) const;
    // At WM_INITDIALOG: the ranges of the spinner and the slider, the tic
    // marks, no input method and the hooks of the field and the slider, then
    // `amount` into the field.
    void Prepare(FilterDialog& dialog, std::int32_t amount);
    // EN_UPDATE of the field: an accepted text becomes the amount, moves the
    // slider and repaints the preview; an unfinished one (IsUnfinishedNumberText)
    // stands, the amount kept; any other is refused at once: after a
    // keystroke, a paste or a deletion the field is left as it was before,
    // its caret and selection too; else it shows the amount.
    void OnFieldUpdate(FilterDialog& dialog);
    // EN_KILLFOCUS of the field: a text left unfinished gives way to the
    // amount when the focus moves to another control of the dialog; while
    // another window is in front it stands, for the person to go on.
    void OnFieldLeft(FilterDialog& dialog);
    // WM_HSCROLL of the slider: the amount it asks for goes into the field.
    // 1 when it asked for one.
    INT_PTR OnScroll(FilterDialog& dialog, WPARAM wParam);
    // UDN_DELTAPOS of the spinner (its arrows, the field's Up and Down keys):
    // the amount held moved by `delta` within the limits goes into the field,
    // whatever the field shows. The caller stops the spinner's own step.
    void OnSpin(FilterDialog& dialog, int delta);
    // Its fallback into the field.
    void Reset(FilterDialog& dialog);

private:
    static LRESULT CALLBACK FieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK SliderProc(HWND slider, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnFieldMessage(HWND field, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnSliderMessage(HWND slider, UINT message, WPARAM wParam, LPARAM lParam);
    void Hook(HWND control, WNDPROC proc, WNDPROC& previous);
    void ShowValue(HWND dialog);
    void MoveSlider(HWND dialog, std::int32_t amount) const;

    bool bound = false;
    AmountIds ids{};
    SliderSteps steps{};
    std::int32_t fallback = 0;
    BareText bare = BareText::kStands;
    WNDPROC fieldProc = nullptr;
    // Where the focus went when the field last lost it (WM_KILLFOCUS).
    HWND focusTaker = nullptr;
    WNDPROC sliderProc = nullptr;
    // The field as a keystroke, a paste or a deletion found it, while the
    // control handles it; `refused` once the field refused what it made.
    struct {
        bool active = false;
        bool refused = false;
        char text[kNumberTextChars + 2] = {};
        DWORD start = 0;
        DWORD end = 0;
    } edit;
};
