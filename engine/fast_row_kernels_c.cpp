// Scalar fast-path kernels: the rule byte by byte.
#include "engine/fast_row_kernels.h"
#include "engine/interpolate.h"

namespace xvf {

void LerpRow_C(const uint8_t* a, const uint8_t* b, int32_t weight, int32_t bytes, uint8_t* dst, const uint8_t*) {
  for (int32_t i = 0; i < bytes; ++i) dst[i] = Interpolate(a[i], b[i], weight);
}

void LerpRowPair_C(const uint8_t* a, const uint8_t* b, int32_t weight0, int32_t weight1, int32_t bytes,
                    uint8_t* dst0, uint8_t* dst1, const uint8_t* next) {
  LerpRowPairAsTwoRows<LerpRow_C>(a, b, weight0, weight1, bytes, dst0, dst1, next);
}

void GatherRow_C(const uint8_t* src, const GatherBlock* blocks, int32_t bytes, uint8_t* dst) {
  for (int32_t k = 0; k < bytes; ++k) {
    const GatherBlock& block = blocks[k / 16];
    const int32_t lane = k % 16;
    const uint8_t* window = src + block.base[lane / 8];
    dst[k] = Interpolate(window[block.samples[2 * lane]], window[block.samples[2 * lane + 1]],
                         GatherWeight(block, lane));
  }
}

}  // namespace xvf
