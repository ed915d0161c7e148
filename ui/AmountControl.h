#pragma once
#include <windows.h>

#include <cstdint>

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
    // Set while the control puts `value` back into the field after rejecting
    // a text, so that the field's own change report is not handled again.
    bool rewriting = false;

    // Its controls, limits and page step, and the amount of a reset; before any of the rest.
    void Bind(const AmountIds& ids, const SliderSteps& steps, std::int32_t fallback);
    bool HasField(int id) const { return bound && ids.field == id; }
    bool HasSlider(int id) const { return bound && ids.slider == id; }

    // At WM_INITDIALOG: the ranges of the spinner and the slider, the tic
    // marks and no input method, then `amount` into the field.
    void Prepare(FilterDialog& dialog, std::int32_t amount);
    // EN_UPDATE of the field: an accepted text becomes the amount, moves the
    // slider and repaints the preview; an unfinished one (IsUnfinishedNumberText)
    // stands, the amount kept; any other is replaced at once.
    void OnFieldUpdate(FilterDialog& dialog);
    // EN_KILLFOCUS of the field: a text left unfinished gives way to the amount.
    void OnFieldLeft(FilterDialog& dialog);
    // WM_HSCROLL of the slider: the amount it asks for goes into the field.
    // 1 when it asked for one.
    INT_PTR OnScroll(FilterDialog& dialog, WPARAM wParam);
    // Its fallback into the field.
    void Reset(FilterDialog& dialog);

private:
    void ShowValue(HWND dialog);
    void MoveSlider(HWND dialog, std::int32_t amount) const;

    bool bound = false;
    AmountIds ids{};
    SliderSteps steps{};
    std::int32_t fallback = 0;
};
