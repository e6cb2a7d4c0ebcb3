#include "tools/xvf-aspect/window_preview.h"

#include <cerrno>
#include <new>
#include <vector>

#include "tools/test_card.h"
#include "tools/xvf-aspect/png_writer.h"

namespace xvf {
namespace {

// Source index for each of `to` destination positions over `from` samples:
// the sample under the destination pixel's centre, (2i + 1) * from / (2 * to).
std::vector<int32_t> NearestMap(int32_t from, int32_t to) {
  std::vector<int32_t> map(static_cast<size_t>(to));
  for (int32_t i = 0; i < to; ++i)
    map[i] = static_cast<int32_t>((2 * static_cast<int64_t>(i) + 1) * from / (2 * static_cast<int64_t>(to)));
  return map;
}

}  // namespace

bool SaveWindowPreview(const std::string& path, const uint8_t* frame, int32_t width, int32_t height,
                       int32_t pixelFormat, int32_t clientWidth, int32_t clientHeight) try {
  if (FrameBytes(width, height, pixelFormat) == 0 || clientWidth < 1 || clientHeight < 1) return false;
  const std::vector<uint8_t> bgr = FrameToRgb(frame, width, height, pixelFormat);  // top-down B, G, R
  const std::vector<int32_t> columns = NearestMap(width, clientWidth);
  const std::vector<int32_t> rows = NearestMap(height, clientHeight);
  PngWriter png;
  if (!png.Open(path, clientWidth, clientHeight)) return false;
  std::vector<uint8_t> line(static_cast<size_t>(clientWidth) * 3);
  for (int32_t y = 0; y < clientHeight; ++y) {
    const uint8_t* source = &bgr[static_cast<size_t>(rows[y]) * width * 3];
    for (int32_t x = 0; x < clientWidth; ++x) {
      const uint8_t* p = source + static_cast<size_t>(columns[x]) * 3;
      line[3 * x] = p[2];
      line[3 * x + 1] = p[1];
      line[3 * x + 2] = p[0];
    }
    if (!png.WriteRow(line.data())) break;
  }
  return png.Close();
} catch (const std::bad_alloc&) {
  errno = ENOMEM;  // the writer, if open, has removed its file
  return false;
}

}  // namespace xvf
