// Scalar column kernel: the rule byte by byte, in the plan's order.
#include "engine/column_kernels.h"
#include "engine/column_rows_tmpl.h"
#include "engine/interpolate.h"

namespace xvf {
namespace {

struct Scalar {
  template <int N>
  static void Block(const ColumnBlock* block, uint8_t* const* src, uint8_t* const* dst) {
    for (int i = 0; i < N; ++i) {
      uint8_t out[16];
      for (int32_t k = 0; k < 16; ++k) {
        const uint8_t* window = src[i] + block->base[k / 8];
        out[k] = Interpolate(window[block->samples[2 * k]], window[block->samples[2 * k + 1]],
                             block->weights[k] / 8);
      }
      std::memcpy(dst[i] + block->dst, out, 16);
    }
  }
};

}  // namespace

void ResampleColumns_C(uint8_t* firstRow, ptrdiff_t rowStride, int32_t rows, const ColumnBlockPlan& plan) {
  ResampleRows<Scalar>(firstRow, rowStride, rows, plan);
}

}  // namespace xvf
