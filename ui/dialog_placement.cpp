#include "ui/dialog_placement.h"

#include <limits>

namespace xvf {
namespace {

// Window rectangles are far from the 32-bit limits, but sums of two edges are
// formed in 64 bits so that no input can overflow.
int32_t Saturate(int64_t value) {
  if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

}  // namespace

bool IsStoredPositionUsable(int32_t storedX, int32_t storedY, int32_t screenWidth, int32_t screenHeight) {
  if (storedX == kNoStoredPosition && storedY == kNoStoredPosition) return false;
  return storedX < screenWidth && storedY < screenHeight;
}

DialogPosition PlaceDialog(int32_t storedX, int32_t storedY, const Rect& dialog, const Rect& host, int32_t screenWidth,
                           int32_t screenHeight) {
  if (IsStoredPositionUsable(storedX, storedY, screenWidth, screenHeight)) return {storedX, storedY};

  const int64_t dLeft = dialog.left, dTop = dialog.top, dRight = dialog.right, dBottom = dialog.bottom;
  const int64_t width = dRight - dLeft;
  const int64_t height = dBottom - dTop;
  // Integer division truncates towards zero, also for negative sums.
  int64_t x = dLeft + (int64_t{host.left} + host.right) / 2 - (dLeft + dRight) / 2;
  int64_t y = dTop + (int64_t{host.top} + host.bottom) / 2 - (dTop + dBottom) / 2;
  if (x + width >= screenWidth) x = screenWidth - width;
  if (y + height >= screenHeight) y = screenHeight - height;
  if (x < 0) x = 0;
  if (y < 0) y = 0;
  return {Saturate(x), Saturate(y)};
}

}  // namespace xvf
