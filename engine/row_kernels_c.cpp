// Scalar reference kernels: the exact bytes every other version must write.
#include <cstring>

#include "engine/interpolate.h"
#include "engine/row_kernels.h"

namespace xvf {
namespace {

// Samples the next entry: moves the running position to A, then to B, and
// interpolates the four bytes of the two work pixels.
inline void SampleEntry(const uint8_t*& position, const ScaleMapEntry& entry, uint8_t out[4]) {
  position += entry.advance;
  const uint8_t* a = position;
  position += entry.secondOffset;
  const uint8_t* b = position;
  const int32_t w = entry.weight[0];
  for (int lane = 0; lane < 4; ++lane) out[lane] = Interpolate(a[lane], b[lane], w);
}

}  // namespace

void VerticalRowYuy2_C(const uint8_t* a, int32_t offset, int32_t weight, int32_t count, uint8_t* work) {
  for (int32_t i = 0; i < count; ++i, a += 4, work += 8) {
    const uint8_t* b = a + offset;
    const uint8_t y0 = Interpolate(a[0], b[0], weight);
    const uint8_t u = Interpolate(a[1], b[1], weight);
    const uint8_t y1 = Interpolate(a[2], b[2], weight);
    const uint8_t v = Interpolate(a[3], b[3], weight);
    const uint8_t pixels[8] = {y0, u, y0, v, y1, u, y1, v};
    std::memcpy(work, pixels, 8);
  }
}

void VerticalRowRgb24_C(const uint8_t* a, int32_t offset, int32_t weight, int32_t count, uint8_t* work) {
  for (int32_t i = 0; i < count; ++i, a += 3, work += 4) {
    const uint8_t* b = a + offset;
    work[0] = Interpolate(a[0], b[0], weight);
    work[1] = Interpolate(a[1], b[1], weight);
    work[2] = Interpolate(a[2], b[2], weight);
    work[3] = 0;
  }
}

void HorizontalRowYuy2_C(const uint8_t* work, const ScaleMapEntry* map, int32_t count, uint8_t* dst) {
  uint8_t even[4], odd[4];
  for (int32_t i = 0; i + 1 < count; i += 2, dst += 4) {
    SampleEntry(work, *map++, even);
    SampleEntry(work, *map++, odd);
    // U follows the even pixel's position, V the odd pixel's.
    dst[0] = even[0];
    dst[1] = even[1];
    dst[2] = odd[2];
    dst[3] = odd[3];
  }
  if (count & 1) {
    // A last pixel on an even column: its Y and U; the pair's other half stays.
    SampleEntry(work, *map, even);
    dst[0] = even[0];
    dst[1] = even[1];
  }
}

void HorizontalRowYuy2Odd_C(const uint8_t* work, const ScaleMapEntry* map, int32_t count, uint8_t* dst) {
  if (count <= 0) return;
  // The first pixel is the second half of its pair: its Y and V only.
  uint8_t odd[4];
  SampleEntry(work, *map, odd);
  dst[0] = odd[2];
  dst[1] = odd[3];
  HorizontalRowYuy2_C(work, map + 1, count - 1, dst + 2);
}

void HorizontalRowRgb24_C(const uint8_t* work, const ScaleMapEntry* map, int32_t count, uint8_t* dst) {
  uint8_t pixel[4];
  for (int32_t i = 0; i < count; ++i, dst += 3) {
    SampleEntry(work, *map++, pixel);
    dst[0] = pixel[0];
    dst[1] = pixel[1];
    dst[2] = pixel[2];
  }
}

}  // namespace xvf
