#include "ui/NumberText.h"

namespace {
// A text's sign and the value of its digits; false for a text that is no number.
bool ReadNumber(const char* text, bool& negative, std::int64_t& magnitude)
{
    int length = 0;
    while (length < kNumberTextChars && text[length] != '\0')
        ++length;
    negative = length > 0 && text[0] == '-';
    const int digits = negative ? 1 : 0;
    if (digits == length)
        return false;  // "" or a lone "-"
    if (length >= 2 && text[digits] == '0')
        return false;  // "00", "05", "-0"
    magnitude = 0;     // 14 digits at most: no overflow in 64 bits
    for (int i = digits; i < length; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        magnitude = magnitude * 10 + (text[i] - '0');
    }
    return true;
}

bool Meets(std::int64_t low, std::int64_t high, std::int32_t min, std::int32_t max)
{
    return low <= max && high >= min;
}
}  // namespace

std::optional<std::int32_t> ParseNumberText(const char* text, std::int32_t min, std::int32_t max)
{
    bool negative;
    std::int64_t magnitude;
    if (!ReadNumber(text, negative, magnitude))
        return std::nullopt;
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value < min || value > max)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

bool IsUnfinishedNumberText(const char* text, std::int32_t min, std::int32_t max, BareText bare)
{
    if (bare == BareText::kStands && (text[0] == '\0' || (text[0] == '-' && text[1] == '\0')))
        return text[0] == '\0' || min < 0;
    bool negative;
    std::int64_t magnitude;
    if (!ReadNumber(text, negative, magnitude) || magnitude == 0 || ParseNumberText(text, min, max))
        return false;
    // The numbers the text can become with k more digits: magnitude * 10^k
    // and the 10^k - 1 after it, or their negatives. Past 2^31 none is an int32.
    for (std::int64_t scale = 1; magnitude * scale <= (std::int64_t{1} << 31); scale *= 10) {
        const std::int64_t low = magnitude * scale;
        const std::int64_t high = low + scale - 1;
        if ((!negative && Meets(low, high, min, max)) || Meets(-high, -low, min, max))
            return true;
    }
    return false;
}
