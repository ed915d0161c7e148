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

// Whether an emptied field, or a lone minus where the limits hold negative
// amounts, stands while a person types (kStands: "-" on its way to "-30",
// "" to "12") or is put back at once (kPutBack).
enum class BareText { kStands, kPutBack };

// True for a text that more typing can still turn into an amount within the
// limits: a number outside them that digits typed after it, a minus put in
// front, or both, can turn into one ("1" in 2..64, "80" in -100..50, "3" and
// "-3" in -50..-10), and with kStands "" and "-" as above. A person types an
// amount digit by digit, the minus first or last, so such a text is on its
// way and must stand; any other that is no amount is refused. With limits
// that hold every number of up to their length, such as -100..100, and
// kPutBack, there is none.
bool IsUnfinishedNumberText(const char* text, std::int32_t min, std::int32_t max, BareText bare);
