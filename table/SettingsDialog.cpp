#include "table/SettingsDialog.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "plugin/Filter.h"
#include "resource.h"

SettingsDialog::SettingsDialog(const FilterTable& table) : FilterDialog(table.templateId), table(table) {}

SettingsDialog::~SettingsDialog() = default;

AmountControl* SettingsDialog::AmountWith(bool (AmountControl::*has)(int) const, int id)
{
    for (std::size_t i = 0; i < bound; ++i)
        if ((amounts[i].*has)(id))
            return &amounts[i];
    return nullptr;
}

INT_PTR SettingsDialog::HandleMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_HSCROLL && lParam) {
        if (AmountControl* amount = AmountWith(&AmountControl::HasSlider, GetDlgCtrlID(reinterpret_cast<HWND>(lParam))))
            return amount->OnScroll(*this, wParam);
    }
    if (message == WM_NOTIFY && lParam && reinterpret_cast<const NMHDR*>(lParam)->code == UDN_DELTAPOS) {
        const auto* step = reinterpret_cast<const NMUPDOWN*>(lParam);
        if (AmountControl* amount = AmountWith(&AmountControl::HasSpinner, static_cast<int>(step->hdr.idFrom))) {
            amount->OnSpin(*this, step->iDelta);
            // The spinner's own step would read and write the field its way.
            SetWindowLongPtrA(window, DWLP_MSGRESULT, TRUE);
            return TRUE;
        }
    }
    return FilterDialog::HandleMessage(dialog, message, wParam, lParam);
}

INT_PTR SettingsDialog::OnInitDialog()
{
    FilterDialog::OnInitDialog();
    // A stored value outside its key's limits shows as the fallback, and the
    // preview and OK take it so: a key with no amount as well as the rest.
    table.settings.Load(loaded);
    for (std::size_t key = 0; key < table.settings.Count(); ++key)
        if (!table.settings.InLimits(key, loaded[key]))
            loaded[key] = table.settings.Key(key).fallback;
    for (std::size_t i = 0; i < table.amountCount; ++i) {
        const AmountBinding& binding = table.amounts[i];
        const SettingsKey& key = table.settings.Key(binding.key);
        amounts[i].Bind(AmountIds{binding.slider, binding.field, binding.spinner},
                        SliderSteps{key.min, key.max, binding.page}, key.fallback, table.bare);
    }
    if (!TemplateFits()) {
        EndDialog(window, -1);
        return 1;
    }
    for (std::size_t i = 0; i < table.amountCount; ++i) {
        bound = i + 1;
        amounts[i].Prepare(*this, loaded[table.amounts[i].key]);
    }
    if (table.previewKey >= 0)
        CheckDlgButton(window, IDC_PREVIEW_CHECK, loaded[table.previewKey] != 0 ? BST_CHECKED : BST_UNCHECKED);
    return 1;
}

INT_PTR SettingsDialog::OnCommand(HWND control, WPARAM wParam, WORD code)
{
    const int id = LOWORD(wParam);
    AmountControl* amount = AmountWith(&AmountControl::HasField, id);
    if (code == EN_UPDATE && amount)
        amount->OnFieldUpdate(*this);
    else if (code == EN_KILLFOCUS && amount)
        amount->OnFieldLeft(*this);
    else if (table.resetButton && id == table.resetButton && code == BN_CLICKED)
        ResetAmounts();
    return FilterDialog::OnCommand(control, wParam, code);
}

bool SettingsDialog::TemplateFits()
{
    char text[1024];
    int length = std::snprintf(text, sizeof text,
                               "設定ダイアログ %d のテンプレートがこのフィルタと合わないため、開けません。",
                               static_cast<int>(templateId));
    bool fits = true;
    for (std::size_t i = 0; i < table.amountCount; ++i) {
        char line[160];
        if (amounts[i].Fits(window, line, sizeof line))
            continue;
        fits = false;
        if (static_cast<std::size_t>(length) + std::strlen(line) + 2 < sizeof text)
            length += std::snprintf(text + length, sizeof text - length, "\n%s", line);
    }
    // The dialog is not shown yet: the box goes to its owner, the host's window.
    if (!fits)
        Filter::ReportError(GetWindow(window, GW_OWNER), text, nullptr);
    return fits;
}

void SettingsDialog::ResetAmounts()
{
    pane.suspendPainting = true;
    for (std::size_t i = 0; i < bound; ++i)
        amounts[i].Reset(*this);
    pane.suspendPainting = false;
    if (IsPreviewChecked())
        pane.Refresh();
}

void SettingsDialog::ShownValues(std::int32_t* values, bool previewChecked) const
{
    for (std::size_t key = 0; key < table.settings.Count(); ++key)
        values[key] = loaded[key];
    for (std::size_t i = 0; i < bound; ++i)
        values[table.amounts[i].key] = amounts[i].value;
    if (table.previewKey >= 0)
        values[table.previewKey] = previewChecked ? 1 : 0;
}

bool SettingsDialog::RenderPreview(PreviewPane& target, const PanePoint& offset, const PanePoint& scroll,
                                   const PanePoint& size)
{
    if (!IsPreviewChecked())
        return FilterDialog::RenderPreview(target, offset, scroll, size);
    // The amounts as held, not read back from the fields: the fields always
    // show them (a rejected text is put back at once), and three window
    // lookups a paint would cost about as much under Wine as the render.
    std::int32_t values[FilterSettings::kMaxKeys];
    ShownValues(values, true);
    return table.rows.preview(*this, values, target, offset, scroll, size);
}

bool SettingsDialog::SaveSettings()
{
    // The amounts held: a field left unfinished stores the amount it shows beside.
    std::int32_t values[FilterSettings::kMaxKeys];
    ShownValues(values, IsPreviewChecked());
    return table.settings.Save(window, values);
}
