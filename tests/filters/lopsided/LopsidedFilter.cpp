#include "tests/filters/lopsided/LopsidedFilter.h"

#include <cstdint>

#include "tests/filters/lopsided/LopsidedIds.h"

namespace {
enum LopsidedSetting { kLevels, kShift, kDim, kGain, kWide, kMode, kPreview };
constexpr SettingsKey kKeys[] = {
    {"levels", 8, 2, 64},          {"shift", 0, -100, 50}, {"dim", -10, -50, -10}, {"gain", 1000, 0, 5000},
    {"wide", 30000, 30000, 90000}, {"mode", 1, 1, 3},      {"preview", 0, INT32_MIN, INT32_MAX},
};
constexpr FilterSettings kSettings = FilterSettings::Of("Lopsided", kKeys);

std::uint8_t Clamped(int value)
{
    return static_cast<std::uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
}

struct LopsidedRows {
    explicit LopsidedRows(const std::int32_t* values)
        : levels(values[kLevels]), shift(values[kShift]), dim(values[kDim] * values[kMode])
    {
    }
    void operator()(const Bgra32* source, Bgra32* destination, std::int32_t count) const
    {
        for (std::int32_t i = 0; i < count; ++i) {
            const Bgra32 p = source[i];  // whole pixel first: source may be destination
            destination[i] = Bgra32{Clamped(p.blue * levels / 16), Clamped(p.green + dim), Clamped(p.red + shift),
                                    p.alpha};
        }
    }

    int levels;
    int shift;
    int dim;
};

constexpr AmountBinding kAmounts[] = {
    {kLevels, IDC_LOPSIDED_LEVELS_SLIDER, IDC_LOPSIDED_LEVELS_EDIT, IDC_LOPSIDED_LEVELS_SPIN},
    {kShift, IDC_LOPSIDED_SHIFT_SLIDER, IDC_LOPSIDED_SHIFT_EDIT, IDC_LOPSIDED_SHIFT_SPIN},
    {kDim, IDC_LOPSIDED_DIM_SLIDER, IDC_LOPSIDED_DIM_EDIT, IDC_LOPSIDED_DIM_SPIN},
    {kGain, IDC_LOPSIDED_GAIN_SLIDER, IDC_LOPSIDED_GAIN_EDIT, IDC_LOPSIDED_GAIN_SPIN, 500},
    {kWide, IDC_LOPSIDED_WIDE_SLIDER, IDC_LOPSIDED_WIDE_EDIT, 0, 5000},
};
constexpr FilterTable kTable =
    FilterTable::Of(kSettings, FilterRows::Of<LopsidedRows>(), IDD_LOPSIDED, kAmounts, kPreview, 0);
}  // namespace

LopsidedFilter::LopsidedFilter() : TableFilter("Lopsided...|かたより...", "Color|カラー", kTable) {}
