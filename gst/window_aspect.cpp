#include "gst/window_aspect.h"

#include <gst/gst.h>

#include <numeric>

#include "framepass/aspect_geometry.h"

namespace xvf {
namespace {

// Decimal digits only, 1..2^31-1.
bool ParseSide(const std::string& text, int32_t* side) {
  if (text.empty() || text.size() > 10) return false;
  int64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (value < 1 || value > INT32_MAX) return false;
  *side = static_cast<int32_t>(value);
  return true;
}

}  // namespace

bool ParseWindowSize(const std::string& text, WindowSize* window) {
  const size_t x = text.find('x');
  WindowSize parsed;
  if (x == std::string::npos || !ParseSide(text.substr(0, x), &parsed.width) ||
      !ParseSide(text.substr(x + 1), &parsed.height))
    return false;
  *window = parsed;
  return true;
}

std::string WindowSizeText(const WindowSize& window) {
  return std::to_string(window.width) + "x" + std::to_string(window.height);
}

void WindowPixelAspect(int32_t width, int32_t height, const WindowSize& window, int32_t* num, int32_t* den) {
  const int64_t n = int64_t{window.width} * height, d = int64_t{window.height} * width;
  const int64_t g = std::gcd(n, d);
  if (n / g <= INT32_MAX && d / g <= INT32_MAX) {
    *num = static_cast<int32_t>(n / g);
    *den = static_cast<int32_t>(d / g);
    return;
  }
  gint fn = 1, fd = 1;
  gst_util_double_to_fraction(static_cast<double>(n) / static_cast<double>(d), &fn, &fd);
  *num = fn;
  *den = fd;
}

bool LeavesFramesAlone(int32_t aspectMode, const WindowSize& window) {
  if (aspectMode == kFitToWindow) return true;
  return aspectMode != kAnamorphic && IsFourThirdsWindow(window.width, window.height);
}

}  // namespace xvf
