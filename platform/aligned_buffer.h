#pragma once
#include <cstddef>
#include <cstdint>

namespace xvf {

// Pixel, map and table buffers: 16-byte aligned, released with AlignedFree.
// AlignedAlloc returns null on failure or when count * size overflows.
void* AlignedAlloc(size_t count, size_t size);
void AlignedFree(void* block);

// Test hook: when set, an allocation fails instead of asking the system
// whenever the hook returns true. Null in the product.
using AllocFailureHook = bool (*)(size_t bytes);
void SetAllocFailureHook(AllocFailureHook hook);

}  // namespace xvf
