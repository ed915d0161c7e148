#pragma once
#include <cstdint>
#include <optional>

// Characters of a number field that the rule looks at: a dialog reads the
// field into 15 bytes.
constexpr int kNumberTextChars = 14;

// A number field's text is a number when it is an optional minus sign and
// ASCII digits, no leading zero, no "-0". Only the first kNumberTextChars
// characters are looked at; the limits min..max are inclusive (min <= max).

// The number the text stands for, or nothing when it is no number within the limits.
std::optional<std::int32_t> ParseNumberText(const char* text, std::int32_t min, std::int32_t max);

// True for a number outside the limits that digits typed after it, a minus
// put in front, or both, can still turn into one within: "1" in 2..64, "80"
// in -100..50, "3" in -50..-10. A person types an amount digit by digit, a
// negative one with the minus put in front last, so such a text is on its
// way and must stand; any other that is no amount is put back at once. With
// limits that hold every number of up to their length, such as -100..100,
// there is none.
bool IsUnfinishedNumberText(const char* text, std::int32_t min, std::int32_t max);
