#pragma once
#include <cstdint>
#include <optional>

// The amount that a number field's text stands for, or nothing when the text
// is not an amount: an optional minus sign and ASCII digits, no leading zero,
// no "-0", within -100..100. At most 14 characters are looked at.
std::optional<std::int32_t> ParseChannelText(const char* text);

// The amount a slider notification asks for, starting from the channel's
// current amount; nothing for notifications that carry no new amount.
std::optional<std::int32_t> ScrollCodeToValue(std::int32_t code, std::int32_t thumbPosition, std::int32_t current);
