// MMX row kernels of the frame painter: the scalar kernels' bytes, opaque
// rows 16 bytes a store (SSE moves), blends on four 16-bit lanes. Every kernel clears the
// MMX state (EMMS) before it returns, so the caller may use the x87 unit.
#include <mmintrin.h>
#include <xmmintrin.h>

#include <cstring>

#include "engine/mmx_memory.h"
#include "engine/paint_row_kernels.h"

namespace xvf {
namespace {

inline __m64 Low4(__m64 bytes) { return _mm_unpacklo_pi8(bytes, _mm_setzero_si64()); }
inline __m64 High4(__m64 bytes) { return _mm_unpackhi_pi8(bytes, _mm_setzero_si64()); }

// The blend of one fill on 16-bit lanes: c + floor((d - c) * keep / 256).
// (d - c) * 16 fits a signed 16-bit lane and keep * 16 is at most 4096, so
// the high half of their signed product (PMULHW) is the exact floor.
class LaneBlend {
 public:
  explicit LaneBlend(int32_t keepFactor) : keep_(_mm_set1_pi16(static_cast<int16_t>(keepFactor * 16))) {}
  __m64 operator()(__m64 c, __m64 d) const {
    return _mm_add_pi16(c, _mm_mulhi_pi16(_mm_slli_pi16(_mm_sub_pi16(d, c), 4), keep_));
  }
  // Eight frame bytes against eight colour bytes.
  __m64 Bytes(__m64 c, __m64 d) const {
    return _mm_packs_pu16((*this)(Low4(c), Low4(d)), (*this)(High4(c), High4(d)));
  }

 private:
  __m64 keep_;
};

// Writes `bytes` bytes of the repeated pattern, a whole number of YUY2 pairs
// or of RGB24 pixels, 48 bytes (a whole number of both) a step with three
// 16-byte SSE moves, so every step starts the pattern again. A row of 48
// bytes or more ends with one more step over its last 48 bytes, which start
// on a pixel too; a shorter row is copied. Moves only: the float registers
// carry the bytes unchanged.
void StorePattern(uint8_t* dst, size_t bytes, const uint8_t* pattern) {
  if (bytes < 48) {
    std::memcpy(dst, pattern, bytes);
    return;
  }
  const auto* source = reinterpret_cast<const float*>(pattern);
  const __m128 q0 = _mm_loadu_ps(source);
  const __m128 q1 = _mm_loadu_ps(source + 4);
  const __m128 q2 = _mm_loadu_ps(source + 8);
  const auto step = [&](uint8_t* at) {
    auto* out = reinterpret_cast<float*>(at);
    _mm_storeu_ps(out, q0);
    _mm_storeu_ps(out + 4, q1);
    _mm_storeu_ps(out + 8, q2);
  };
  uint8_t* const lastStep = dst + bytes - 48;
  for (; dst < lastStep; dst += 48) step(dst);
  step(lastStep);
}

}  // namespace

void OpaqueRowYuy2_MMX(uint8_t* row, int32_t count, const PaintFill& fill) {
  const size_t pairBytes = static_cast<size_t>(count >> 1) * 4;
  StorePattern(row, pairBytes, fill.pattern);
  if (count & 1) PaintFirstOfPair(row + pairBytes, fill);
  _mm_empty();
}

void OpaqueRowYuy2Odd_MMX(uint8_t* row, int32_t count, const PaintFill& fill) {
  // The first pixel is the second of its pair: its luma only.
  row[2] = fill.pixel[2];
  if (count > 1) OpaqueRowYuy2_MMX(row + 4, count - 1, fill);
}

void BlendRowYuy2_MMX(uint8_t* row, int32_t count, const PaintFill& fill) {
  const LaneBlend blend(fill.keepFactor);
  const __m64 c = Load64(fill.pattern);  // two pairs
  int32_t pairs = count >> 1;
  for (; pairs >= 2; pairs -= 2, row += 8) Store64(row, blend.Bytes(c, Load64(row)));
  if (pairs == 1) {
    Store32(row, _mm_packs_pu16(blend(Low4(c), Low4(Load32(row))), _mm_setzero_si64()));
    row += 4;
  }
  if (count & 1) {
    // Y0, U and V of the last pair; its Y1 stays.
    const int32_t blended = _mm_cvtsi64_si32(_mm_packs_pu16(blend(Low4(c), Low4(Load32(row))), _mm_setzero_si64()));
    row[0] = static_cast<uint8_t>(blended);
    row[1] = static_cast<uint8_t>(blended >> 8);
    row[3] = static_cast<uint8_t>(blended >> 24);
  }
  _mm_empty();
}

void BlendRowYuy2Odd_MMX(uint8_t* row, int32_t count, const PaintFill& fill) {
  const LaneBlend blend(fill.keepFactor);
  const __m64 c = _mm_cvtsi32_si64(fill.pixel[2]);
  row[2] = static_cast<uint8_t>(_mm_cvtsi64_si32(blend(c, _mm_cvtsi32_si64(row[2]))));
  _mm_empty();
  if (count > 1) BlendRowYuy2_MMX(row + 4, count - 1, fill);
}

void OpaqueRowRgb24_MMX(uint8_t* row, int32_t count, const PaintFill& fill) {
  StorePattern(row, static_cast<size_t>(count) * 3, fill.pattern);
  _mm_empty();
}

void BlendRowRgb24_MMX(uint8_t* row, int32_t count, const PaintFill& fill) {
  const LaneBlend blend(fill.keepFactor);
  // Eight pixels are 24 bytes: three quadwords, each with its own phase of
  // the colour's B G R.
  const __m64 c0 = Load64(fill.pattern);
  const __m64 c1 = Load64(fill.pattern + 8);
  const __m64 c2 = Load64(fill.pattern + 16);
  for (; count >= 8; count -= 8, row += 24) {
    Store64(row, blend.Bytes(c0, Load64(row)));
    Store64(row + 8, blend.Bytes(c1, Load64(row + 8)));
    Store64(row + 16, blend.Bytes(c2, Load64(row + 16)));
  }
  const __m64 c = Low4(c0);  // B G R B
  for (; count > 0; --count, row += 3) {
    const __m64 d = _mm_cvtsi32_si64(row[0] | row[1] << 8 | row[2] << 16);
    const int32_t blended = _mm_cvtsi64_si32(_mm_packs_pu16(blend(c, Low4(d)), _mm_setzero_si64()));
    row[0] = static_cast<uint8_t>(blended);
    row[1] = static_cast<uint8_t>(blended >> 8);
    row[2] = static_cast<uint8_t>(blended >> 16);
  }
  _mm_empty();
}

}  // namespace xvf
