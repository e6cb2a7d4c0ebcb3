#pragma once
// The video window the element frames its pictures for: its size, the pixel
// aspect a player must show a frame at to look as the window shows it, and
// whether the frame pass leaves every frame alone.
#include <cstdint>
#include <string>

namespace xvf {

struct WindowSize {
  int32_t width = 1024;  // client area, pixels
  int32_t height = 576;
};

// "WxH" as xvf-aspect's --window takes it: both decimal in 1..2^31-1.
bool ParseWindowSize(const std::string& text, WindowSize* window);
std::string WindowSizeText(const WindowSize& window);

// The window's stretch of a width x height frame, CW*H : CH*W reduced; when
// that does not fit 32 bits, the nearest fraction that does.
void WindowPixelAspect(int32_t width, int32_t height, const WindowSize& window, int32_t* num, int32_t* den);

// True when the frame pass returns every frame of any stream unchanged:
// fit-window, or a window within the 4:3 band outside anamorphic.
bool LeavesFramesAlone(int32_t aspectMode, const WindowSize& window);

}  // namespace xvf
