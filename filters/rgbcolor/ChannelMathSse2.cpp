// The SSE2 scanline loop. On i686 this file alone is built with -msse2, so it
// holds nothing but the loop: an inline function of a shared header compiled
// here could become the copy the linker keeps for the whole DLL.
#include "filters/rgbcolor/ChannelMath.h"

#ifdef HX_HAVE_SSE2_SCANLINE

#include <emmintrin.h>

#include <cstring>

#if defined(__i386__)
// The host may call with a stack aligned to 4 bytes only.
#define HX_REALIGN_STACK __attribute__((force_align_arg_pointer))
#else
#define HX_REALIGN_STACK
#endif

namespace {

// Far enough ahead to cover the memory latency at the loop's speed, near
// enough to stay in the row: the hardware prefetcher alone leaves the loop
// waiting for memory on large images. The destination is fetched too, so that
// its lines are at hand when the stores come instead of each store waiting.
constexpr int kPrefetchBytes = 2048;

// A channel as 16-bit lanes b, g, r, a, b, g, r, a (see LaneMagnitude). A
// multiply by +-1 puts the sign back in one instruction where xor and
// subtract take two; measured, that is the faster loop.
struct LaneGains {
    __m128i magnitude;
    __m128i sign;
};

__m128i Twice(const std::int16_t (&lanes)[4])
{
    const __m128i four = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(lanes));
    return _mm_unpacklo_epi64(four, four);
}

LaneGains PrepareGains(const ChannelAmounts& a)
{
    return LaneGains{Twice(a.magnitude), Twice(a.sign)};
}

// Eight channels: v + sign * magnitude; the pack that follows clamps at 255.
inline __m128i AdjustLanes(__m128i v, const LaneGains& g)
{
    const __m128i magnitude = _mm_mulhi_epu16(v, g.magnitude);
    return _mm_add_epi16(v, _mm_mullo_epi16(magnitude, g.sign));
}

inline __m128i AdjustFour(__m128i pixels, const LaneGains& g)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i low = AdjustLanes(_mm_unpacklo_epi8(pixels, zero), g);
    const __m128i high = AdjustLanes(_mm_unpackhi_epi8(pixels, zero), g);
    return _mm_packus_epi16(low, high);
}

inline __m128i Load(const Bgra32* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

inline void Store(Bgra32* p, __m128i v)
{
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

}  // namespace

HX_REALIGN_STACK
void AdjustScanlineSse2(const Bgra32* src, Bgra32* dst, std::int32_t count, const ChannelAmounts& amounts)
{
    const LaneGains gains = PrepareGains(amounts);
    std::int32_t i = 0;
    // A cache line per step. Each pixel is stored where it was loaded from
    // (or at the same place in dst), so src == dst is fine.
    for (; i + 16 <= count; i += 16) {
        _mm_prefetch(reinterpret_cast<const char*>(src + i) + kPrefetchBytes, _MM_HINT_T0);
        _mm_prefetch(reinterpret_cast<const char*>(dst + i) + kPrefetchBytes, _MM_HINT_T0);
        Store(dst + i, AdjustFour(Load(src + i), gains));
        Store(dst + i + 4, AdjustFour(Load(src + i + 4), gains));
        Store(dst + i + 8, AdjustFour(Load(src + i + 8), gains));
        Store(dst + i + 12, AdjustFour(Load(src + i + 12), gains));
    }
    for (; i + 4 <= count; i += 4)
        Store(dst + i, AdjustFour(Load(src + i), gains));
    const std::int32_t rest = count - i;
    if (rest > 0) {
        // The last one to three pixels go through a block of their own: no read
        // or write beyond the row.
        __m128i block = _mm_setzero_si128();
        std::memcpy(&block, src + i, static_cast<std::size_t>(rest) * 4);
        block = AdjustFour(block, gains);
        std::memcpy(dst + i, &block, static_cast<std::size_t>(rest) * 4);
    }
}

#endif  // HX_HAVE_SSE2_SCANLINE
