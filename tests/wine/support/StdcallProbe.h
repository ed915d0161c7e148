#pragma once
#include <cstdint>

// Calls `function` with `count` 32-bit arguments pushed right to left, as a
// stdcall caller does, and reports how far the stack pointer moved across the
// call: 0 when the callee removed its own arguments.
std::int32_t CallAndMeasureStack(const void* function, const std::uint32_t* args, int count, std::uint32_t* result);

// The same with the stack pointer at the call `offset` bytes below a 16-byte
// boundary, as a host with a 4-byte-aligned stack may call; cdecl or stdcall.
std::uint32_t CallWithStackOffset(const void* function, const std::uint32_t* args, int count, int offset);
