#include "support/StdcallProbe.h"

// esi keeps the stack pointer to put back and edi the one the callee should
// leave (a call leaves both alone); ebx and ecx hold the arguments for the pushes.
std::int32_t CallAndMeasureStack(const void* function, const std::uint32_t* args, int count, std::uint32_t* result,
                                 int offset)
{
    std::uint32_t value;
    int moved = ((offset - 4 * count) % 16 + 16) % 16;  // the pad, which the pushes complete
    int n = count;
    asm volatile(
        "mov %%esp, %%esi\n\t"
        "and $-16, %%esp\n\t"
        "sub %%edx, %%esp\n\t"
        "mov %%edi, %%eax\n\t"
        "mov %%esp, %%edi\n\t"
        "1:\n\t"
        "test %%ecx, %%ecx\n\t"
        "jz 2f\n\t"
        "pushl -4(%%ebx,%%ecx,4)\n\t"
        "dec %%ecx\n\t"
        "jmp 1b\n\t"
        "2:\n\t"
        "call *%%eax\n\t"
        "mov %%esp, %%edx\n\t"
        "sub %%edi, %%edx\n\t"
        "mov %%esi, %%esp\n\t"
        : "=a"(value), "+c"(n), "+d"(moved), "+D"(function)
        : "b"(args)
        : "esi", "memory", "cc");
    if (result)
        *result = value;
    return moved;
}
