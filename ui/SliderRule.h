#pragma once
#include <cstdint>
#include <optional>

// The limits and page step of an amount that a slider stands for.
struct SliderSteps {
    std::int32_t min;
    std::int32_t max;
    std::int32_t page;
};

// The widest limits (max - min) whose thumb positions 16 bits tell apart.
constexpr std::int64_t kMaxSliderSpan = 0xFFFF;

// The amount a slider notification (WM_HSCROLL's code and thumb position)
// asks for, starting from the amount the dialog holds, not from the slider's
// own position: a line step 1 and a page step `page`, both within the
// limits (no scroll asks for a text outside them), Home the
// upper end, End the lower one, a thumb position the one within the limits
// whose low 16 bits the notification carries (a slider reports its thumb in
// 16 bits: limits that span more than kMaxSliderSpan cannot be told apart).
// Nothing for notifications that carry no new amount.
std::optional<std::int32_t> ScrollCodeToValue(std::int32_t code, std::int32_t thumbPosition, std::int32_t current,
                                              const SliderSteps& steps);
