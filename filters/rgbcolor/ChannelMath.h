#pragma once
#include <cstdint>

#include "plugin/Pixel.h"

constexpr std::int32_t kMinAmount = -100;
constexpr std::int32_t kMaxAmount = 100;

inline bool IsValidAmount(std::int32_t amount)
{
    return amount >= kMinAmount && amount <= kMaxAmount;
}

// value + value * amount / 200 (division truncated toward zero), clamped to 0..255.
// Defined for every amount; the product is taken in 64 bits so that no amount overflows.
std::uint8_t AdjustChannel(std::uint8_t value, std::int32_t amount);

struct ChannelAmounts {
    std::int32_t red;
    std::int32_t green;
    std::int32_t blue;
};

// Adjusts `count` pixels from src into dst, alpha copied. src may equal dst.
// Every amount must lie in -100..100. Bit-identical to AdjustChannel per channel.
void AdjustScanline(const Bgra32* src, Bgra32* dst, std::int32_t count, const ChannelAmounts& amounts);

// The portable loop that AdjustScanline falls back to.
void AdjustScanlineScalar(const Bgra32* src, Bgra32* dst, std::int32_t count, const ChannelAmounts& amounts);
