#pragma once
#include <cstdint>

namespace xvf {

// Left and top inclusive, right and bottom exclusive; y counts from the top
// of the picture whatever the row order in memory.
struct Rect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;

  int32_t Width() const { return right - left; }
  int32_t Height() const { return bottom - top; }
  bool IsEmpty() const { return right <= left || bottom <= top; }
  friend bool operator==(const Rect& a, const Rect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
  }
  friend bool operator!=(const Rect& a, const Rect& b) { return !(a == b); }
};
static_assert(sizeof(Rect) == 16, "Rect is four 32-bit values, as the Win32 RECT");

// Win32 IntersectRect: the common part of a and b into out; when either is
// empty or they do not meet, out becomes {0, 0, 0, 0} and the result is false.
bool IntersectRect(Rect* out, const Rect& a, const Rect& b);

}  // namespace xvf
