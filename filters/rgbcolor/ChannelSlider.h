#pragma once
#include <cstdint>
#include <optional>

// The amount a slider notification asks for, starting from the channel's
// current amount; nothing for notifications that carry no new amount. A
// channel's number field takes the rule of ui/NumberText.h with -100..100.
std::optional<std::int32_t> ScrollCodeToValue(std::int32_t code, std::int32_t thumbPosition, std::int32_t current);
