#include "support/StdcallProbe.h"

std::int32_t CallAndMeasureStack(const void* function, const std::uint32_t* args, int count, std::uint32_t* result)
{
    std::uint32_t value;
    std::int32_t moved;
    int n = count;
    // esi keeps the stack pointer of before the pushes; ebx and edi hold the
    // inputs because a call leaves callee-saved registers alone.
    asm volatile(
        "mov %%esp, %%esi\n\t"
        "1:\n\t"
        "test %%ecx, %%ecx\n\t"
        "jz 2f\n\t"
        "pushl -4(%%ebx,%%ecx,4)\n\t"
        "dec %%ecx\n\t"
        "jmp 1b\n\t"
        "2:\n\t"
        "call *%%edi\n\t"
        "mov %%esp, %%edx\n\t"
        "sub %%esi, %%edx\n\t"
        "mov %%esi, %%esp\n\t"
        : "=a"(value), "=d"(moved), "+c"(n)
        : "b"(args), "D"(function)
        : "esi", "memory", "cc");
    if (result)
        *result = value;
    return moved;
}

std::uint32_t CallWithStackOffset(const void* function, const std::uint32_t* args, int count, int offset)
{
    // The pushes and this pad together must move the stack pointer by offset (mod 16).
    int pad = ((offset - 4 * count) % 16 + 16) % 16;
    std::uint32_t result;
    int n = count;
    asm volatile(
        "mov %%esp, %%esi\n\t"
        "and $-16, %%esp\n\t"
        "sub %%edx, %%esp\n\t"
        "1:\n\t"
        "test %%ecx, %%ecx\n\t"
        "jz 2f\n\t"
        "pushl -4(%%ebx,%%ecx,4)\n\t"
        "dec %%ecx\n\t"
        "jmp 1b\n\t"
        "2:\n\t"
        "call *%%edi\n\t"
        "mov %%esi, %%esp\n\t"
        : "=a"(result), "+c"(n), "+d"(pad)
        : "b"(args), "D"(function)
        : "esi", "memory", "cc");
    return result;
}
