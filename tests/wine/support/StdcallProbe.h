#pragma once
#include <cstdint>

// Calls `function` with `count` 32-bit arguments pushed right to left, as a
// stdcall caller does, the stack pointer `offset` bytes below a 16-byte
// boundary at the call, as a host with a 4-byte-aligned stack may call; cdecl
// or stdcall. Returns how far the stack pointer moved across the call (0 when
// the callee removed its own arguments), and the function's result in `result`.
std::int32_t CallAndMeasureStack(const void* function, const std::uint32_t* args, int count, std::uint32_t* result,
                                 int offset = 0);
