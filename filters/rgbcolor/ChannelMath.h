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

// A scanline loop: adjusts `count` pixels from src into dst, alpha copied.
// src may equal dst. Every amount must lie in -100..100. Bit-identical to
// AdjustChannel per channel. Pointers need no alignment beyond a byte.
using ScanlineFunction = void (*)(const Bgra32* src, Bgra32* dst, std::int32_t count, const ChannelAmounts& amounts);

// The loop that this build may run on any CPU it targets: SSE2 where the
// compiler may assume it (x86-64), the portable loop otherwise (i686).
void AdjustScanline(const Bgra32* src, Bgra32* dst, std::int32_t count, const ChannelAmounts& amounts);

// The portable loop, one pixel at a time.
void AdjustScanlineScalar(const Bgra32* src, Bgra32* dst, std::int32_t count, const ChannelAmounts& amounts);

#if defined(__i386__) || defined(__x86_64__)
#define HX_HAVE_SSE2_SCANLINE 1
// Four pixels at a time in 16-bit lanes. Call it only on a CPU with SSE2;
// it realigns the stack itself, so a caller with a 4-byte-aligned stack is fine.
void AdjustScanlineSse2(const Bgra32* src, Bgra32* dst, std::int32_t count, const ChannelAmounts& amounts);
#endif

// The fastest loop for a CPU with or without SSE2; the caller asks the CPU.
ScanlineFunction ChooseScanline(bool cpuHasSse2);
