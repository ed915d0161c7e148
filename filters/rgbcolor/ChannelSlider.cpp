#include "filters/rgbcolor/ChannelSlider.h"

#include "filters/rgbcolor/ChannelMath.h"

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
