#include "gst/window_aspect.h"

#include <gst/gst.h>

#include "framepass/aspect_geometry.h"
#include "common/options/tool_options.h"

namespace xvf {

bool ParseWindowSize(const std::string& text, WindowSize* window) {
  return ParseSize(text, &window->width, &window->height);
}

std::string WindowSizeText(const WindowSize& window) {
  return std::to_string(window.width) + "x" + std::to_string(window.height);
}

void WindowPixelAspect(int32_t width, int32_t height, const WindowSize& window, int32_t* num, int32_t* den) {
  int64_t n = 0, d = 0;
  WindowPixelAspect(width, height, window.width, window.height, &n, &d);
  if (n <= INT32_MAX && d <= INT32_MAX) {
    *num = static_cast<int32_t>(n);
    *den = static_cast<int32_t>(d);
    return;
  }
  gint fn = 1, fd = 1;
  gst_util_double_to_fraction(static_cast<double>(n) / static_cast<double>(d), &fn, &fd);
  *num = fn;
  *den = fd;
}

bool LeavesFramesAlone(int32_t aspectMode, const WindowSize& window) {
  return LeavesFramesAlone(aspectMode, window.width, window.height);
}

}  // namespace xvf
