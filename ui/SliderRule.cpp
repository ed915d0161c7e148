#include "ui/SliderRule.h"

namespace {
// In 64 bits, so that no step overflows on its way to the limits.
std::int32_t Limited(std::int64_t value, const SliderSteps& steps)
{
    return static_cast<std::int32_t>(value < steps.min ? steps.min : value > steps.max ? steps.max : value);
}
}  // namespace

std::optional<std::int32_t> ScrollCodeToValue(std::int32_t code, std::int32_t thumbPosition, std::int32_t current,
                                              const SliderSteps& steps)
{
    const std::int64_t now = current;
    switch (code) {
    case 0:  // TB_LINEUP
        return Limited(now - 1, steps);
    case 1:  // TB_LINEDOWN
        return Limited(now + 1, steps);
    case 2:  // TB_PAGEUP
        return Limited(now - steps.page, steps);
    case 3:  // TB_PAGEDOWN
        return Limited(now + steps.page, steps);
    case 4:  // TB_THUMBPOSITION
    case 5:  // TB_THUMBTRACK
    {
        // The position from min whose low 16 bits are the thumb's: the distance, modulo 2^16.
        const std::uint16_t distance =
            static_cast<std::uint16_t>(static_cast<std::uint32_t>(thumbPosition) - static_cast<std::uint32_t>(steps.min));
        // Past the limits (no trackbar reports such a word) for the field to refuse; within int32.
        const std::int64_t position = std::int64_t{steps.min} + distance;
        return position > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(position);
    }
    case 6:  // TB_TOP: the upper end
        return steps.max;
    case 7:  // TB_BOTTOM
        return steps.min;
    default:
        return std::nullopt;
    }
}
