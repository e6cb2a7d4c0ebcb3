#pragma once
#include <cstdint>

namespace xvf {

// One destination sample of a scale map. Kernels walk entries with a 16-byte
// step and load the four weights as one 64-bit value.
struct ScaleMapEntry {
  int32_t advance;       // bytes from the running position to sample A
  int32_t secondOffset;  // bytes from A to sample B; 0 when the weight is 0
  int16_t weight[4];     // w in 1/4096 towards B, 0..4095, four times
};
static_assert(sizeof(ScaleMapEntry) == 16, "kernels step through maps by 16 bytes");
static_assert(alignof(ScaleMapEntry) <= 16, "maps live in 16-byte aligned buffers");

// The five values a linear map was built from; a map is rebuilt exactly when
// its key changes.
struct ScaleMapKey {
  int32_t srcLength = 0;
  int32_t dstLength = 0;
  int32_t clipOffset = 0;
  int32_t count = 0;
  int32_t step = 0;

  friend bool operator==(const ScaleMapKey&, const ScaleMapKey&) = default;
};
static_assert(sizeof(ScaleMapKey) == 20, "five 32-bit values");

// Fills `count` entries of the linear map of srcLength samples onto dstLength,
// starting at destination sample clipOffset; `step` is the signed byte distance
// between neighbouring source samples. Needs srcLength >= 1, dstLength >= 1
// and all lengths below 65536 (16.16 positions).
void BuildScaleMap(int32_t srcLength, int32_t dstLength, int32_t clipOffset, int32_t count, int32_t step,
                   ScaleMapEntry* entries);

// One entry with every weight lane set to w.
inline ScaleMapEntry MakeScaleMapEntry(int32_t advance, int32_t secondOffset, int32_t w) {
  const auto lane = static_cast<int16_t>(w);
  return ScaleMapEntry{advance, secondOffset, {lane, lane, lane, lane}};
}

}  // namespace xvf
