#include "common/image/picture.h"

#include <cstring>

namespace xvf {

std::vector<int32_t> NearestMap(int32_t from, int32_t to) {
  std::vector<int32_t> map(static_cast<size_t>(to > 0 ? to : 0));
  for (int32_t i = 0; i < to; ++i)
    map[i] = static_cast<int32_t>((2 * static_cast<int64_t>(i) + 1) * from / (2 * static_cast<int64_t>(to)));
  return map;
}

Picture StretchNearest(const Picture& picture, int32_t width, int32_t height) {
  if (picture.empty() || width <= 0 || height <= 0) return {};
  const std::vector<int32_t> columns = NearestMap(picture.width, width);
  const std::vector<int32_t> rows = NearestMap(picture.height, height);
  Picture out(width, height);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) std::memcpy(out.at(x, y), picture.at(columns[x], rows[y]), 3);
  return out;
}

Picture ShrinkBy(const Picture& picture, int32_t factor) {
  if (factor < 1 || picture.empty()) return {};
  Picture small(picture.width / factor, picture.height / factor);
  const uint32_t area = static_cast<uint32_t>(factor) * static_cast<uint32_t>(factor);
  for (int32_t y = 0; y < small.height; ++y)
    for (int32_t x = 0; x < small.width; ++x) {
      uint32_t sum[3] = {0, 0, 0};
      for (int32_t dy = 0; dy < factor; ++dy) {
        const uint8_t* p = picture.at(x * factor, y * factor + dy);
        for (int32_t dx = 0; dx < factor; ++dx, p += 3)
          for (int c = 0; c < 3; ++c) sum[c] += p[c];
      }
      uint8_t* q = small.at(x, y);
      for (int c = 0; c < 3; ++c) q[c] = static_cast<uint8_t>((sum[c] + area / 2) / area);
    }
  return small;
}

}  // namespace xvf
