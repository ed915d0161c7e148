#include "ui/NumberText.h"

std::optional<std::int32_t> ParseNumberText(const char* text, std::int32_t min, std::int32_t max)
{
    int length = 0;
    while (length < kNumberTextChars && text[length] != '\0')
        ++length;
    if (length == 0)
        return std::nullopt;
    const bool negative = text[0] == '-';
    const int digits = negative ? 1 : 0;
    if (digits == length)
        return std::nullopt;  // a lone "-"
    if (length >= 2 && text[digits] == '0')
        return std::nullopt;  // "00", "05", "-0"
    // The largest magnitude the limits allow, in 64 bits: -min may not fit in 32.
    const std::int64_t bound = negative ? -static_cast<std::int64_t>(min) : max;
    std::int64_t magnitude = 0;
    for (int i = digits; i < length; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return std::nullopt;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > bound)
            return std::nullopt;  // stops before it could overflow, whatever the length
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value < min || value > max)
        return std::nullopt;  // the near end of limits that exclude 0
    return static_cast<std::int32_t>(value);
}
