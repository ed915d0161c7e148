#include "ui/SliderRule.h"

namespace {
// In 64 bits, then into 32: a step past the ends of int32 stays past the limits.
std::int32_t Saturated(std::int64_t value)
{
    return value < INT32_MIN ? INT32_MIN : value > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(value);
}
}  // namespace

std::optional<std::int32_t> ScrollCodeToValue(std::int32_t code, std::int32_t thumbPosition, std::int32_t current,
                                              const SliderSteps& steps)
{
    const std::int64_t now = current;
    switch (code) {
    case 0:  // TB_LINEUP: not limited, the field rejects what leaves the limits
        return Saturated(now - 1);
    case 1:  // TB_LINEDOWN
        return Saturated(now + 1);
    case 2:  // TB_PAGEUP
        return now - steps.page < steps.min ? steps.min : Saturated(now - steps.page);
    case 3:  // TB_PAGEDOWN
        return now + steps.page > steps.max ? steps.max : Saturated(now + steps.page);
    case 4:  // TB_THUMBPOSITION
    case 5:  // TB_THUMBTRACK
    {
        // The position from min whose low 16 bits are the thumb's: the distance, modulo 2^16.
        const std::uint16_t distance =
            static_cast<std::uint16_t>(static_cast<std::uint32_t>(thumbPosition) - static_cast<std::uint32_t>(steps.min));
        return Saturated(std::int64_t{steps.min} + distance);
    }
    case 6:  // TB_TOP: the upper end
        return steps.max;
    case 7:  // TB_BOTTOM
        return steps.min;
    default:
        return std::nullopt;
    }
}
