#pragma once
// How the vector LerpRow kernels pick their loop. Internal linkage: each
// instruction-set file compiles its own copy, so no baseline code can end up
// calling a wider one.
#include <cstdint>

#include "engine/fast_row_kernels.h"
#include "engine/interpolate.h"

namespace xvf {
namespace {

// The rule byte by byte: rows shorter than a vector.
inline void LerpRowBytes(const uint8_t* a, const uint8_t* b, int32_t weight, int32_t bytes, uint8_t* dst,
                         const uint8_t*) {
  for (int32_t i = 0; i < bytes; ++i) dst[i] = Interpolate(a[i], b[i], weight);
}

// Rows shorter than kVectorBytes go to kShortRow; longer ones to the loop
// that adds the correction to a (weight below 2048) or to b (2048 and up),
// where the correction fits the kernel's lanes.
template <int32_t kVectorBytes, LerpRowFn kShortRow, LerpRowFn kFromA, LerpRowFn kFromB>
inline void LerpRowByWeight(const uint8_t* a, const uint8_t* b, int32_t weight, int32_t bytes, uint8_t* dst,
                            const uint8_t* next) {
  if (bytes < kVectorBytes) {
    kShortRow(a, b, weight, bytes, dst, next);
  } else if (weight < 2048) {
    kFromA(a, b, weight, bytes, dst, next);
  } else {
    kFromB(a, b, weight, bytes, dst, next);
  }
}

}  // namespace
}  // namespace xvf
