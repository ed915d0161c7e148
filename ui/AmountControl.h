#pragma once
#include <windows.h>

#include <cstdint>

#include "plugin/FilterTable.h"
#include "ui/SliderRule.h"

class FilterDialog;

// One amount of a filter's dialog: a slider, a number field and an optional
// spinner that always agree. The field is the hub: the slider, the spinner,
// typing, a reset and the dialog's start all change the amount only by
// putting a new text into the field, and its one handler decides. Whenever a
// handler has returned, the field shows `value` in decimal and the slider
// sits there.
class AmountControl {
public:
    // The amount; within its key's limits from the first accepted text on.
    std::int32_t value = 0;
    // Set while the control puts `value` back into the field after rejecting
    // a text, so that the field's own change report is not handled again.
    bool rewriting = false;

    // Its controls and limits; before any of the rest.
    void Bind(const AmountBinding& binding, const SettingsKey& key);
    bool HasField(int id) const { return binding && binding->field == id; }
    bool HasSlider(int id) const { return binding && binding->slider == id; }

    // At WM_INITDIALOG: the ranges of the spinner and the slider, the tic
    // marks and no input method, then `amount` into the field.
    void Prepare(FilterDialog& dialog, std::int32_t amount);
    // EN_UPDATE of the field: an accepted text becomes the amount, moves the
    // slider and repaints the preview; any other is replaced at once.
    void OnFieldUpdate(FilterDialog& dialog);
    // WM_HSCROLL of the slider: the amount it asks for goes into the field.
    // 1 when it asked for one.
    INT_PTR OnScroll(FilterDialog& dialog, WPARAM wParam);
    // Its key's fallback into the field.
    void Reset(FilterDialog& dialog);

private:
    void MoveSlider(HWND dialog, std::int32_t amount) const;

    const AmountBinding* binding = nullptr;
    SliderSteps steps{};
    std::int32_t fallback = 0;
};
