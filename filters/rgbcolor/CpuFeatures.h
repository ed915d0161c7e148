#pragma once
#include <cstdint>

// Whether the AVX2 loop may run, from the registers as CPUID and XGETBV give
// them: the CPU has AVX2 (leaf 7, EBX bit 5) and the OS saves the YMM
// registers across thread switches (leaf 1, ECX bit 27 OSXSAVE, and XCR0 with
// SSE and AVX state, bits 1 and 2). A CPU with AVX2 under an OS that does not
// save YMM state would see its registers clobbered by other threads.
bool Avx2Usable(std::uint32_t leaf1Ecx, std::uint32_t leaf7Ebx, std::uint64_t xcr0);

// Asks this CPU and its OS; false off x86.
bool CpuHasAvx2();
