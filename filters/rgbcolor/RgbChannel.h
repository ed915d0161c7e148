#pragma once
#include <cstdint>

// One channel of the RGB Color dialog.
struct RgbChannel {
    // The amount; within -100..100 from the first accepted text on.
    std::int32_t value = 0;
    // Set while the dialog puts `value` back into the field after rejecting a
    // text, so that the field's own change report is not handled again.
    bool rewriting = false;
};
