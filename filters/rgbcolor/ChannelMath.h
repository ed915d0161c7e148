#pragma once
#include <cstdint>

#include "plugin/Pixel.h"

constexpr std::int32_t kMinAmount = -100;
constexpr std::int32_t kMaxAmount = 100;

// value + value * amount / 200 (division truncated toward zero), clamped to 0..255.
// Defined for every amount; the product is taken in 64 bits so that no amount overflows.
std::uint8_t AdjustChannel(std::uint8_t value, std::int32_t amount);

// The amounts as the SIMD loops use them, in 16-bit lanes. For
// 0 <= v <= 255, floor(v * |amount| / 200) is exactly the high half of
// v * LaneMagnitude(amount), and since v is never negative the quotient
// truncated toward zero is that times LaneSign(amount). Alpha's lanes get
// magnitude 0. Internal linkage: no copy built with a SIMD file's instruction
// set can become the one the linker keeps for all.
static constexpr std::int16_t LaneMagnitude(std::int32_t amount)
{
    const std::uint32_t m = amount < 0 ? 0u - static_cast<std::uint32_t>(amount) : static_cast<std::uint32_t>(amount);
    return static_cast<std::int16_t>((m * 65536u + 199u) / 200u);  // at most 32768, read as unsigned
}

static constexpr std::int16_t LaneSign(std::int32_t amount)
{
    return static_cast<std::int16_t>(amount < 0 ? -1 : 1);
}

// The amounts of a run, and the same in the lanes blue, green, red, alpha of
// the SIMD loops, prepared once for all its rows: each row then loads them in
// one go instead of building them again.
struct ChannelAmounts {
    constexpr ChannelAmounts(std::int32_t r, std::int32_t g, std::int32_t b)
        : red(r), green(g), blue(b), magnitude{LaneMagnitude(b), LaneMagnitude(g), LaneMagnitude(r), 0},
          sign{LaneSign(b), LaneSign(g), LaneSign(r), 0}
    {
    }

    std::int32_t red;
    std::int32_t green;
    std::int32_t blue;
    std::int16_t magnitude[4];
    std::int16_t sign[4];
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
#define HX_HAVE_AVX2_SCANLINE 1
// Four pixels at a time in 16-bit lanes. Call it only on a CPU with SSE2;
// it realigns the stack itself, so a caller with a 4-byte-aligned stack is fine.
void AdjustScanlineSse2(const Bgra32* src, Bgra32* dst, std::int32_t count, const ChannelAmounts& amounts);
// Eight pixels at a time, the same arithmetic in 256-bit registers. Call it
// only where CpuHasAvx2(); it realigns the stack and leaves the upper halves
// of the YMM registers clean.
void AdjustScanlineAvx2(const Bgra32* src, Bgra32* dst, std::int32_t count, const ChannelAmounts& amounts);
// The AVX2 loop with non-temporal stores, which write whole lines without
// reading them first and leave them out of the cache: for destinations far
// larger than the last-level cache, where the line would be gone again
// before anyone read it. Right for src == dst too, but slower there.
void AdjustScanlineAvx2Stream(const Bgra32* src, Bgra32* dst, std::int32_t count, const ChannelAmounts& amounts);
#endif

// The fastest loop that the CPU and the OS allow: AVX2, else SSE2, else the
// plain one. The caller asks the CPU.
ScanlineFunction ChooseScanline(bool cpuHasSse2, bool cpuHasAvx2);
// Its form for destinations far beyond the cache: the streaming AVX2 loop,
// else the same as ChooseScanline.
ScanlineFunction ChooseStreamingScanline(bool cpuHasSse2, bool cpuHasAvx2);
