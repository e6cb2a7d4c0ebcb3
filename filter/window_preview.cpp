#include "filter/window_preview.h"

#include <cerrno>
#include <new>
#include <vector>

#include "common/image/frame_pixels.h"
#include "common/image/picture.h"
#include "common/image/png_file.h"

namespace xvf {

// Only the pixels the window shows are converted, one row at a time.
bool SaveWindowPreview(int fd, const uint8_t* frame, int32_t width, int32_t height,
                       PixelFormat format, int32_t clientWidth, int32_t clientHeight) try {
  if (!IsKnown(format) || width < 1 || height < 1 || clientWidth < 1 || clientHeight < 1) {
    errno = EINVAL;
    return false;
  }
  const std::vector<int32_t> columns = NearestMap(width, clientWidth);
  const std::vector<int32_t> rows = NearestMap(height, clientHeight);
  std::vector<uint8_t> line(static_cast<size_t>(clientWidth) * 3);
  PngRowWriter png;
  if (!png.Open(fd, clientWidth, clientHeight)) return false;
  for (int32_t y = 0; y < clientHeight; ++y) {
    for (int32_t x = 0; x < clientWidth; ++x)
      FramePixelToBgr(frame, width, height, format, columns[x], rows[y], &line[3 * static_cast<size_t>(x)]);
    if (!png.WriteRow(line.data())) break;
  }
  return png.Close();
} catch (const std::bad_alloc&) {
  errno = ENOMEM;
  return false;
}

}  // namespace xvf
