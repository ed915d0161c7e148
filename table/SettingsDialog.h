#pragma once
#include <cstddef>
#include <cstdint>

#include "table/FilterTable.h"
#include "ui/AmountControl.h"
#include "ui/FilterDialog.h"

// The dialog of a filter's table: each amount a slider, a number field and a
// spinner (AmountControl), loaded from the filter's settings when the dialog
// opens (a stored value outside its key's limits, bound or not, counts as
// its fallback), stored in one write of the section on OK, and the preview
// made by the filter's rows from the amounts shown. A template without the
// controls the table binds, as the amounts need them, is reported and the
// dialog ends at once (RunModal: -1), nothing stored.
class SettingsDialog : public FilterDialog {
public:
    // The dialog of `table`, which outlives it.
    explicit SettingsDialog(const FilterTable& table);
    ~SettingsDialog() override;

    // WM_HSCROLL of an amount's slider, UDN_DELTAPOS of its spinner.
    INT_PTR HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    INT_PTR OnInitDialog() override;
    // EN_UPDATE and EN_KILLFOCUS of an amount's field; a click of the reset button.
    INT_PTR OnCommand(HWND control, WPARAM wParam, WORD code) override;
    // The amounts and the check box in one write of the section, then a
    // flush; on failure says so and returns false, the file as it was.
    bool SaveSettings() override;
    bool RenderPreview(PreviewPane& pane, const PanePoint& offset, const PanePoint& scroll,
                       const PanePoint& size) override;

    // Every amount to its key's fallback, with one repaint.
    void ResetAmounts();

protected:
    // One for each of the table's amounts, in its order.
    AmountControl amounts[kMaxAmounts];

private:
    // The bound amount with control `id`, as `has` judges; null for none.
    AmountControl* AmountWith(bool (AmountControl::*has)(int) const, int id);
    // Whether the template has every amount's controls as it needs them;
    // if not, tells the user which do not fit.
    bool TemplateFits();
    // The settings as the dialog shows them: what was loaded, within the
    // keys' limits, with the amounts and the check box (asked by the caller:
    // a window lookup costs about as much under Wine as a small preview's render).
    void ShownValues(std::int32_t* values, bool previewChecked) const;

    const FilterTable& table;
    std::size_t bound = 0;  // amounts usable, from WM_INITDIALOG on
    std::int32_t loaded[FilterSettings::kMaxKeys] = {};
};
