#include "platform/rect.h"

#include <algorithm>

namespace xvf {

bool IntersectRect(Rect* out, const Rect& a, const Rect& b) {
  if (a.IsEmpty() || b.IsEmpty() || a.left >= b.right || b.left >= a.right || a.top >= b.bottom ||
      b.top >= a.bottom) {
    *out = Rect{};
    return false;
  }
  *out = Rect{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
              std::min(a.bottom, b.bottom)};
  return true;
}

}  // namespace xvf
