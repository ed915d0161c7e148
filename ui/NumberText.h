#pragma once
#include <cstdint>
#include <optional>

// Characters of a number field that the rule looks at: a dialog reads the
// field into 15 bytes.
constexpr int kNumberTextChars = 14;

// The number that a number field's text stands for, or nothing when the text
// is not one: an optional minus sign and ASCII digits, no leading zero, no
// "-0", within min..max (inclusive; min <= max). Only the first
// kNumberTextChars characters are looked at.
std::optional<std::int32_t> ParseNumberText(const char* text, std::int32_t min, std::int32_t max);
