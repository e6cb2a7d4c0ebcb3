#pragma once
#include <cstdint>

#include "platform/rect.h"

namespace xvf {

// Top-left screen position of a dialog window, in pixels.
struct DialogPosition {
  int32_t x = 0;
  int32_t y = 0;
  friend bool operator==(const DialogPosition& a, const DialogPosition& b) { return a.x == b.x && a.y == b.y; }
};

// -100 in both coordinates means that no position was stored.
constexpr int32_t kNoStoredPosition = -100;

// True when the stored position is taken as it is: not the -100/-100 marker
// and left of the right and above the bottom screen edge. Other negative
// positions are valid (a dialog on a screen left of the primary one).
bool IsStoredPositionUsable(int32_t storedX, int32_t storedY, int32_t screenWidth, int32_t screenHeight);

// Where the dialog opens. `dialog` and `host` are window rectangles in screen
// coordinates. An unusable stored position is replaced by the dialog centred
// over the host (halves truncate towards zero), moved left or up so that it
// ends before the right and bottom screen edges, and never to a negative
// coordinate (x is clamped before y).
DialogPosition PlaceDialog(int32_t storedX, int32_t storedY, const Rect& dialog, const Rect& host, int32_t screenWidth,
                           int32_t screenHeight);

}  // namespace xvf
