#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <utility>

#include "plugin/FilterSettings.h"
#include "resource.h"
#include "table/FilterRows.h"
#include "ui/NumberText.h"
#include "ui/SliderRule.h"

// An amount of a filter's dialog: the settings key it stands for, whose
// limits are its range, and its controls.
struct AmountBinding {
    std::size_t key;
    int slider;
    int field;
    int spinner;             // 0: none
    std::int32_t page = 10;  // the slider's page step and tic interval
};

// The amounts a settings dialog holds.
constexpr std::size_t kMaxAmounts = FilterSettings::kMaxKeys;

// What a table must keep. Each is declared, never defined: a table that
// breaks one calls it while the compiler builds the table, which fails the
// build with the rule's name and, in the lines before, the table, the
// binding (amounts[i]) and, where the compiler shows it, the key's name.
namespace broken_table_rule {
void an_amount_names_no_key_of_the_settings(const char* key);
void a_key_is_bound_to_two_amounts(const char* key);
void the_preview_key_is_bound_as_an_amount(const char* key);
void the_preview_key_names_no_key_of_the_settings(const char* key);
void the_preview_keys_limits_do_not_hold_0_and_1(const char* key);
void the_template_id_lies_outside_1_to_65535(const char* key);
void a_control_id_lies_outside_1_to_65535(const char* key);
void a_control_id_is_bound_twice(const char* key);
void an_amount_spans_more_than_65535_a_slider_reports_its_thumb_in_16_bits(const char* key);
void an_amount_has_no_page_step(const char* key);
}  // namespace broken_table_rule

// All of a filter but its logic and its template: its settings, its rows
// and, where it has a dialog, which control stands for which key. Made only
// by Of, which runs only as the compiler builds the table, so a table that
// breaks a rule fails the build however it is declared; once made it cannot
// change.
class FilterTable {
public:
    // A filter without a dialog.
    static consteval FilterTable Of(const FilterSettings& settings, FilterRows rows)
    {
        return FilterTable(settings, rows, 0, nullptr, 0, -1, 0, BareText::kStands);
    }

    // A filter with dialog `templateId`: its amounts, the key of its preview
    // check box (-1: not stored), a button that puts every amount back to
    // its key's fallback (0: none), and whether an emptied field or a lone
    // minus stands while a person types (the natural way) or is put back.
    template <std::size_t N>
    static consteval FilterTable Of(const FilterSettings& settings, FilterRows rows, std::int32_t templateId,
                                    const AmountBinding (&amounts)[N], int previewKey, int resetButton,
                                    BareText bare = BareText::kStands)
    {
        static_assert(N <= kMaxAmounts, "more amounts than a settings dialog holds (kMaxAmounts)");
        const FilterTable table(settings, rows, templateId, amounts, N, previewKey, resetButton, bare);
        table.CheckDialog();
        table.CheckAmounts(amounts, std::make_index_sequence<N>{});
        return table;
    }

    const FilterSettings& settings;
    const FilterRows rows;
    const std::int32_t templateId;  // 0: no dialog
    const AmountBinding* const amounts;
    const std::size_t amountCount;
    const int previewKey;
    const int resetButton;
    const BareText bare;

private:
    constexpr FilterTable(const FilterSettings& settings, FilterRows rows, std::int32_t templateId,
                          const AmountBinding* amounts, std::size_t amountCount, int previewKey, int resetButton,
                          BareText bare)
        : settings(settings), rows(rows), templateId(templateId), amounts(amounts), amountCount(amountCount),
          previewKey(previewKey), resetButton(resetButton), bare(bare)
    {
    }

    static consteval bool IsControlId(std::int64_t id) { return id >= 1 && id <= 0xFFFF; }
    // The controls the dialog's framework handles itself.
    static constexpr int kFrameworkControls[] = {IDOK, IDCANCEL, IDC_PREVIEW_PANE, IDC_PREVIEW_CHECK};

    consteval void CheckDialog() const
    {
        using namespace broken_table_rule;
        if (!IsControlId(templateId))
            return Fail(the_template_id_lies_outside_1_to_65535, "");
        if (resetButton && !IsControlId(resetButton))
            return Fail(a_control_id_lies_outside_1_to_65535, "");
        for (int framework : kFrameworkControls)
            if (resetButton == framework)
                return Fail(a_control_id_is_bound_twice, "");
        if (previewKey < 0)
            return;
        if (previewKey >= static_cast<int>(settings.Count()))
            return Fail(the_preview_key_names_no_key_of_the_settings, "");
        // The check box is stored as 0 or 1, and a run refuses what lies outside the limits.
        const SettingsKey& preview = settings.Key(static_cast<std::size_t>(previewKey));
        if (preview.min > 0 || preview.max < 1)
            return Fail(the_preview_keys_limits_do_not_hold_0_and_1, preview.name);
    }

    // One check a binding, each its own instance: the compiler's report names which.
    template <std::size_t N, std::size_t... I>
    consteval void CheckAmounts(const AmountBinding (&all)[N], std::index_sequence<I...>) const
    {
        (CheckAmount<I>(all[I], all), ...);
    }

    // Whether `id` is the framework's, the reset button's or a control of an amount before amount Index.
    template <std::size_t Index, std::size_t N>
    consteval bool IsTaken(int id, const AmountBinding (&all)[N]) const
    {
        for (int framework : kFrameworkControls)
            if (framework == id)
                return true;
        for (std::size_t i = 0; i < Index; ++i)
            if (all[i].slider == id || all[i].field == id || all[i].spinner == id)
                return true;
        return id == resetButton;
    }

    template <std::size_t Index, std::size_t N>
    consteval void CheckAmount(const AmountBinding& amount, const AmountBinding (&all)[N]) const
    {
        using namespace broken_table_rule;
        if (amount.key >= settings.Count())
            return Fail(an_amount_names_no_key_of_the_settings, "");
        const SettingsKey& key = settings.Key(amount.key);
        for (std::size_t other = 0; other < Index; ++other)
            if (all[other].key == amount.key)
                return Fail(a_key_is_bound_to_two_amounts, key.name);
        if (static_cast<int>(amount.key) == previewKey)
            return Fail(the_preview_key_is_bound_as_an_amount, key.name);
        if (!IsControlId(amount.slider) || !IsControlId(amount.field) ||
            (amount.spinner && !IsControlId(amount.spinner)))
            return Fail(a_control_id_lies_outside_1_to_65535, key.name);
        const int own[] = {amount.slider, amount.field, amount.spinner};
        for (std::size_t i = 0; i < 3; ++i)
            if (own[i] && (IsTaken<Index>(own[i], all) || (i > 0 && own[i] == own[0]) || (i > 1 && own[i] == own[1])))
                return Fail(a_control_id_is_bound_twice, key.name);
        if (std::int64_t{key.max} - key.min > kMaxSliderSpan)
            return Fail(an_amount_spans_more_than_65535_a_slider_reports_its_thumb_in_16_bits, key.name);
        if (amount.page <= 0)
            return Fail(an_amount_has_no_page_step, key.name);
    }
};
