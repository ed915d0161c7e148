// The number field's rules (ParseNumberText, IsUnfinishedNumberText) on any
// bytes (double-byte ones too), with a channel's limits and with any, and
// ScrollCodeToValue on any code, thumb position and amount.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "tests/fuzz/FuzzCheck.h"
#include "ui/NumberText.h"
#include "ui/SliderRule.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size >= 1 && data[0] == 0xFF && size >= 13) {
        // Slider rule: the bytes after the marker give code, thumb and current amount.
        std::int32_t code, thumb, current;
        std::memcpy(&code, data + 1, 4);
        std::memcpy(&thumb, data + 5, 4);
        std::memcpy(&current, data + 9, 4);
        current = current % 101;  // the channel's value is always an amount
        std::optional<std::int32_t> v = ScrollCodeToValue(code, thumb, current, SliderSteps{-100, 100, 10});
        Check(v.has_value() == (code >= 0 && code <= 7), "a new amount exactly for codes 0..7");
        if (v && code != 4 && code != 5)
            Check(*v >= -100 && *v <= 100, "steps, top and bottom stay in range");
        if (v && (code == 0 || code == 1))
            Check(*v == std::max(-100, std::min(100, current + (code == 0 ? -1 : 1))), "line steps move by one");
        // A trackbar reports only positions in range; any other word lands past the limits, for the field to refuse.
        const std::uint32_t low16 = (static_cast<std::uint32_t>(v.value_or(0)) - static_cast<std::uint32_t>(thumb)) & 0xFFFF;
        if (v && (code == 4 || code == 5))
            Check(*v >= -100 && *v <= -100 + 0xFFFF && low16 == 0, "a thumb position: its 16 bits");
        return 0;
    }
    std::int32_t min = -100, max = 100;
    if (size >= 9 && data[0] == 0xFE) {
        // Any limits: the bytes after the marker give them, the rest the text.
        std::memcpy(&min, data + 1, 4);
        std::memcpy(&max, data + 5, 4);
        if (min > max)
            std::swap(min, max);
        data += 9;
        size -= 9;
    }
    // The field handler reads at most 14 characters into a 15-byte buffer.
    char text[15] = {};
    std::memcpy(text, data, size < 14 ? size : 14);
    std::optional<std::int32_t> v = ParseNumberText(text, min, max);
    if (!v) {
        // On its way: digits after an optional minus; a channel's limits leave none, as they always did.
        if (IsUnfinishedNumberText(text, min, max, BareText::kPutBack)) {
            const char first = text[text[0] == '-' ? 1 : 0];
            Check(first >= '1' && first <= '9', "an unfinished text has digits");
            Check(min != -100 || max != 100, "a channel's field leaves no text on its way");
        }
        // The natural rule adds the bare texts and nothing else.
        const bool bare = text[0] == '\0' || std::strcmp(text, "-") == 0;
        Check(IsUnfinishedNumberText(text, min, max, BareText::kStands) ==
                  (bare ? text[0] == '\0' || min < 0 : IsUnfinishedNumberText(text, min, max, BareText::kPutBack)),
              "kStands differs only in the bare texts");
        return 0;
    }
    Check(*v >= min && *v <= max, "accepted numbers lie within the limits");
    Check(std::to_string(*v) == text, "an accepted text is the decimal form of its number");
    return 0;
}
