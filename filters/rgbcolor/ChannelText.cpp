#include "filters/rgbcolor/ChannelText.h"

#include "filters/rgbcolor/ChannelMath.h"

namespace {
constexpr int kMaxFieldChars = 14;  // what the field handler reads
}

std::optional<std::int32_t> ParseChannelText(const char* text)
{
    int length = 0;
    while (length < kMaxFieldChars && text[length] != '\0')
        ++length;
    if (length == 0)
        return std::nullopt;
    const bool negative = text[0] == '-';
    const int digits = negative ? 1 : 0;
    if (digits == length)
        return std::nullopt;  // a lone "-"
    if (length >= 2 && text[digits] == '0')
        return std::nullopt;  // "00", "05", "-0"
    std::int32_t magnitude = 0;
    for (int i = digits; i < length; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return std::nullopt;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > kMaxAmount)
            return std::nullopt;  // stops before it could overflow, whatever the length
    }
    return negative ? -magnitude : magnitude;
}

std::optional<std::int32_t> ScrollCodeToValue(std::int32_t code, std::int32_t thumbPosition, std::int32_t current)
{
    switch (code) {
    case 0:  // TB_LINEUP: not limited, the field rejects -101
        return current - 1;
    case 1:  // TB_LINEDOWN
        return current + 1;
    case 2:  // TB_PAGEUP
        return current - 10 < kMinAmount ? kMinAmount : current - 10;
    case 3:  // TB_PAGEDOWN
        return current + 10 > kMaxAmount ? kMaxAmount : current + 10;
    case 4:  // TB_THUMBPOSITION
    case 5:  // TB_THUMBTRACK
        return static_cast<std::int16_t>(thumbPosition & 0xFFFF);
    case 6:  // TB_TOP: the upper end
        return kMaxAmount;
    case 7:  // TB_BOTTOM
        return kMinAmount;
    default:
        return std::nullopt;
    }
}
