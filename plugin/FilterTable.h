#pragma once
#include <cstddef>
#include <cstdint>

#include "plugin/FilterRows.h"
#include "plugin/FilterSettings.h"

// An amount of a filter's dialog: the settings key it stands for, whose
// limits are its range (within -32768..32767: a slider reports its thumb in
// 16 bits), and its controls.
struct AmountBinding {
    std::size_t key;
    int slider;
    int field;
    int spinner;             // 0: none
    std::int32_t page = 10;  // the slider's page step and tic interval
};

// All of a filter but its logic and its template: its settings, its rows
// and, where it has a dialog, which control stands for which key. Define it
// constexpr, beside the settings it names, so that a slip in it fails the build.
class FilterTable {
public:
    // A filter without a dialog.
    constexpr FilterTable(const FilterSettings& settings, FilterRows rows) : settings(settings), rows(rows) {}

    // A filter with dialog `templateId`: its amounts, the key of its preview
    // check box (-1: not stored) and a button that puts every amount back to
    // its key's fallback (0: none).
    template <std::size_t N>
    constexpr FilterTable(const FilterSettings& settings, FilterRows rows, std::int32_t templateId,
                          const AmountBinding (&amounts)[N], int previewKey, int resetButton)
        : settings(settings), rows(rows), templateId(templateId), amounts(amounts), amountCount(N),
          previewKey(previewKey), resetButton(resetButton)
    {
        for (const AmountBinding& amount : amounts)
            if (amount.key >= settings.Count() || amount.page <= 0)
                throw "an amount names no key of the settings, or has no page step";
        if (previewKey >= static_cast<int>(settings.Count()))
            throw "the preview check box names no key of the settings";
    }

    const FilterSettings& settings;
    FilterRows rows;
    std::int32_t templateId = 0;  // 0: no dialog
    const AmountBinding* amounts = nullptr;
    std::size_t amountCount = 0;
    int previewKey = -1;
    int resetButton = 0;
};
