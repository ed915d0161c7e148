#pragma once
#include <cstddef>
#include <cstdint>
#include <utility>

#include "plugin/FilterSettings.h"
#include "table/FilterRows.h"
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
// build with the rule's name and, in the lines before, the table and the
// binding (amounts[i]).
namespace broken_table_rule {
void an_amount_names_no_key_of_the_settings();
void a_key_is_bound_to_two_amounts();
void the_preview_key_is_bound_as_an_amount();
void the_preview_key_names_no_key_of_the_settings();
void an_amount_spans_more_than_65535_a_slider_reports_its_thumb_in_16_bits();
void an_amount_has_no_page_step();
}  // namespace broken_table_rule

// All of a filter but its logic and its template: its settings, its rows
// and, where it has a dialog, which control stands for which key. The
// constructors run only as the compiler builds the table, so a table that
// breaks a rule fails the build however it is declared.
class FilterTable {
public:
    // A filter without a dialog.
    consteval FilterTable(const FilterSettings& settings, FilterRows rows) : settings(settings), rows(rows) {}

    // A filter with dialog `templateId`: its amounts, the key of its preview
    // check box (-1: not stored) and a button that puts every amount back to
    // its key's fallback (0: none).
    template <std::size_t N>
    consteval FilterTable(const FilterSettings& settings, FilterRows rows, std::int32_t templateId,
                          const AmountBinding (&amounts)[N], int previewKey, int resetButton)
        : settings(settings), rows(rows), templateId(templateId), amounts(amounts), amountCount(N),
          previewKey(previewKey), resetButton(resetButton)
    {
        static_assert(N <= kMaxAmounts, "more amounts than a settings dialog holds (kMaxAmounts)");
        if (previewKey >= static_cast<int>(settings.Count()))
            broken_table_rule::the_preview_key_names_no_key_of_the_settings();
        // One check a binding, each its own instance: the compiler's report names which.
        [&]<std::size_t... I>(std::index_sequence<I...>) {
            (CheckAmount<I>(amounts[I], amounts), ...);
        }(std::make_index_sequence<N>{});
    }

    const FilterSettings& settings;
    FilterRows rows;
    std::int32_t templateId = 0;  // 0: no dialog
    const AmountBinding* amounts = nullptr;
    std::size_t amountCount = 0;
    int previewKey = -1;
    int resetButton = 0;

private:
    template <std::size_t Index, std::size_t N>
    constexpr void CheckAmount(const AmountBinding& amount, const AmountBinding (&all)[N]) const
    {
        if (amount.key >= settings.Count())
            return broken_table_rule::an_amount_names_no_key_of_the_settings();
        for (std::size_t other = 0; other < Index; ++other)
            if (all[other].key == amount.key)
                return broken_table_rule::a_key_is_bound_to_two_amounts();
        if (static_cast<int>(amount.key) == previewKey)
            return broken_table_rule::the_preview_key_is_bound_as_an_amount();
        const SettingsKey& key = settings.Key(amount.key);
        if (std::int64_t{key.max} - key.min > kMaxSliderSpan)
            return broken_table_rule::an_amount_spans_more_than_65535_a_slider_reports_its_thumb_in_16_bits();
        if (amount.page <= 0)
            return broken_table_rule::an_amount_has_no_page_step();
    }
};
