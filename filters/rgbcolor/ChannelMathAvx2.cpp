// The AVX2 scanline loop. Only this file is built with -mavx2, so it holds
// nothing but the loop (see ChannelMathSse2.cpp): the amounts are prepared by
// PrepareLaneAmounts, built without it.
#include "filters/rgbcolor/ChannelMath.h"

#ifdef HX_HAVE_AVX2_SCANLINE

#include <immintrin.h>

#if defined(__i386__)
// The host may call with a stack aligned to 4 bytes only; a spilled YMM
// register wants 32.
#define HX_REALIGN_STACK __attribute__((force_align_arg_pointer))
#else
#define HX_REALIGN_STACK
#endif

namespace {

// As in the SSE2 loop: a little ahead of the hardware prefetcher, source and
// destination both.
constexpr int kPrefetchBytes = 2048;

// Each 128-bit half of a register holds two pixels' lanes b, g, r, a.
struct LaneGains {
    __m256i magnitude;
    __m256i sign;
};

__m256i Broadcast(const std::int16_t (&lanes)[4])
{
    return _mm256_broadcastq_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(lanes)));
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

}  // namespace

HX_REALIGN_STACK
void AdjustScanlineAvx2(const Bgra32* src, Bgra32* dst, std::int32_t count, const ChannelAmounts& amounts)
{
    const LaneAmounts lanes = PrepareLaneAmounts(amounts);
    const LaneGains gains{Broadcast(lanes.magnitude), Broadcast(lanes.sign)};
    std::int32_t i = 0;
    // A cache line per step; each pixel is stored where it was loaded from
    // (or at the same place in dst), so src == dst is fine.
    for (; i + 16 <= count; i += 16) {
        _mm_prefetch(reinterpret_cast<const char*>(src + i) + kPrefetchBytes, _MM_HINT_T0);
        _mm_prefetch(reinterpret_cast<const char*>(dst + i) + kPrefetchBytes, _MM_HINT_T0);
        Store(dst + i, AdjustEight(Load(src + i), gains));
        Store(dst + i + 8, AdjustEight(Load(src + i + 8), gains));
    }
    const std::int32_t rest = count - i;
    if (rest >= 8) {
        Store(dst + i, AdjustEight(Load(src + i), gains));
        i += 8;
    }
    if (i < count) {
        // The last one to seven pixels through masked moves: nothing beyond
        // the row is read or written, and masked-out lanes never fault.
        const __m256i mask = _mm256_cmpgt_epi32(_mm256_set1_epi32(count - i), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
        const __m256i block = _mm256_maskload_epi32(reinterpret_cast<const int*>(src + i), mask);
        _mm256_maskstore_epi32(reinterpret_cast<int*>(dst + i), mask, AdjustEight(block, gains));
    }
    // The compiler ends the function with vzeroupper: the host's SSE code
    // pays no transition penalty afterwards.
}

#endif  // HX_HAVE_AVX2_SCANLINE
