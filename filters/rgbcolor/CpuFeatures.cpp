#include "filters/rgbcolor/CpuFeatures.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#include <immintrin.h>
#endif

namespace {
constexpr std::uint32_t kOsxsave = 1u << 27;
constexpr std::uint32_t kAvx2 = 1u << 5;
constexpr std::uint64_t kXmmAndYmmState = 0x6;

#if defined(__i386__) || defined(__x86_64__)
// XGETBV raises #UD unless OSXSAVE is set: call it only after that test.
__attribute__((target("xsave"))) std::uint64_t ReadXcr0()
{
    return _xgetbv(0);
}
#endif
}  // namespace

bool Avx2Usable(std::uint32_t leaf1Ecx, std::uint32_t leaf7Ebx, std::uint64_t xcr0)
{
    return (leaf1Ecx & kOsxsave) && (leaf7Ebx & kAvx2) && (xcr0 & kXmmAndYmmState) == kXmmAndYmmState;
}

bool CpuHasAvx2()
{
#if defined(__i386__) || defined(__x86_64__)
    unsigned eax, ebx, ecx, edx;
    // __get_cpuid also answers false on a 32-bit CPU without CPUID.
    if (__get_cpuid_max(0, nullptr) < 7 || !__get_cpuid(1, &eax, &ebx, &ecx, &edx))
        return false;
    const std::uint32_t leaf1Ecx = ecx;
    if (!(leaf1Ecx & kOsxsave))
        return false;
    __cpuid_count(7, 0, eax, ebx, ecx, edx);
    return Avx2Usable(leaf1Ecx, ebx, ReadXcr0());
#else
    return false;
#endif
}
