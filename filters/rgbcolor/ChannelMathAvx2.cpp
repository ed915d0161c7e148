// The AVX2 scanline loop. Only this file is built with -mavx2, so it holds
// nothing but the loop (see ChannelMathSse2.cpp).
#include "filters/rgbcolor/ChannelMath.h"

#ifdef HX_HAVE_AVX2_SCANLINE

#include <immintrin.h>

#include <cstdint>

#if defined(__i386__)
// The host may call with a stack aligned to 4 bytes only; a spilled YMM
// register wants 32.
#define HX_REALIGN_STACK __attribute__((force_align_arg_pointer))
#else
#define HX_REALIGN_STACK
#endif

namespace {

// Each 128-bit half of a register holds two pixels' lanes b, g, r, a.
struct LaneGains {
    __m256i magnitude;
    __m256i sign;
};

__m256i FourTimes(const std::int16_t (&lanes)[4])
{
    return _mm256_broadcastq_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(lanes)));
}

LaneGains PrepareGains(const ChannelAmounts& a)
{
    return LaneGains{FourTimes(a.magnitude), FourTimes(a.sign)};
}

// Sixteen channels: v + sign * magnitude. vpsignw puts the sign back in one
// instruction (and zeroes alpha's lanes, whose magnitude is 0 anyway).
inline __m256i AdjustLanes(__m256i v, const LaneGains& g)
{
    return _mm256_add_epi16(v, _mm256_sign_epi16(_mm256_mulhi_epu16(v, g.magnitude), g.sign));
}

// Unpack and pack both work within each 128-bit half, so the pixels come out
// in the order they went in; the pack clamps at 255.
inline __m256i AdjustEight(__m256i pixels, const LaneGains& g)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i low = AdjustLanes(_mm256_unpacklo_epi8(pixels, zero), g);
    const __m256i high = AdjustLanes(_mm256_unpackhi_epi8(pixels, zero), g);
    return _mm256_packus_epi16(low, high);
}

inline __m256i Load(const Bgra32* p)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

inline void Store(Bgra32* p, __m256i v)
{
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

template <bool kStream>
inline void StoreAligned(Bgra32* p, __m256i v)
{
    if (kStream)
        _mm256_stream_si256(reinterpret_cast<__m256i*>(p), v);
    else
        _mm256_store_si256(reinterpret_cast<__m256i*>(p), v);
}

// One to seven pixels: a masked load, which reads nothing beyond them and
// never faults on the lanes it leaves out, and stores of four, two and one
// pixels (a masked store costs dozens of cycles on some CPUs).
inline void AdjustFew(const Bgra32* src, Bgra32* dst, std::int32_t count, const LaneGains& g)
{
    const __m256i mask = _mm256_cmpgt_epi32(_mm256_set1_epi32(count), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    const __m256i adjusted = AdjustEight(_mm256_maskload_epi32(reinterpret_cast<const int*>(src), mask), g);
    __m128i part = _mm256_castsi256_si128(adjusted);
    if (count & 4) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), part);
        part = _mm256_extracti128_si256(adjusted, 1);
        dst += 4;
    }
    if (count & 2) {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(dst), part);
        part = _mm_srli_si128(part, 8);
        dst += 2;
    }
    if (count & 1)
        _mm_storeu_si32(dst, part);
}

// Each pixel is stored where it was loaded from (or at the same place in
// dst), so src == dst is fine. The hardware prefetcher keeps up with this
// loop; software prefetches only cost it time while the image is in the cache.
template <bool kStream>
void AdjustRow(const Bgra32* src, Bgra32* dst, std::int32_t count, const ChannelAmounts& amounts)
{
    const LaneGains gains = PrepareGains(amounts);
    std::int32_t i = 0;
    const std::uintptr_t misalignment = reinterpret_cast<std::uintptr_t>(dst) % 32;
    if (misalignment % 4 == 0) {
        // The pixels before dst reaches a 32-byte boundary go on their own:
        // a store across two cache lines costs both, and a non-temporal one
        // must be aligned. (A destination not even 4-byte aligned stays
        // unaligned and is not streamed.)
        const std::int32_t head = static_cast<std::int32_t>((32 - misalignment) % 32 / 4);
        i = head < count ? head : count;
        if (i > 0)
            AdjustFew(src, dst, i, gains);
        for (; i + 16 <= count; i += 16) {
            StoreAligned<kStream>(dst + i, AdjustEight(Load(src + i), gains));
            StoreAligned<kStream>(dst + i + 8, AdjustEight(Load(src + i + 8), gains));
        }
        // The streamed lines reach memory in no set order: have them there
        // before the host, or another thread of it, reads the image.
        if (kStream)
            _mm_sfence();
    }
    for (; i + 16 <= count; i += 16) {
        Store(dst + i, AdjustEight(Load(src + i), gains));
        Store(dst + i + 8, AdjustEight(Load(src + i + 8), gains));
    }
    if (count - i >= 8) {
        Store(dst + i, AdjustEight(Load(src + i), gains));
        i += 8;
    }
    if (i < count)
        AdjustFew(src + i, dst + i, count - i, gains);
    // Clean upper halves for the host's SSE code, which would otherwise pay a
    // transition at every instruction on some CPUs. GCC adds this itself only
    // from -O2 up; a debug or coverage build needs it said.
    _mm256_zeroupper();
}

}  // namespace

HX_REALIGN_STACK
void AdjustScanlineAvx2(const Bgra32* src, Bgra32* dst, std::int32_t count, const ChannelAmounts& amounts)
{
    AdjustRow<false>(src, dst, count, amounts);
}

HX_REALIGN_STACK
void AdjustScanlineAvx2Stream(const Bgra32* src, Bgra32* dst, std::int32_t count, const ChannelAmounts& amounts)
{
    AdjustRow<true>(src, dst, count, amounts);
}

#endif  // HX_HAVE_AVX2_SCANLINE
