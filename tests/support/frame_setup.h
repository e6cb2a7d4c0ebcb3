#pragma once
// Frames and frame-pass inputs as the tests set them up.
#include <cstddef>
#include <cstdint>

#include "engine/frame_format.h"
#include "plugin/plugin_state.h"

namespace xvf {
namespace test {

// Bytes of a frame of the host's format code 0 or 1.
inline size_t FrameBytes(int32_t width, int32_t height, int32_t format) {
  return static_cast<size_t>(xvf::FrameBytes(PixelFormatOf(format), width, height));
}

// A video window was found and measured at cw x ch.
inline FrameInputs WindowInputs(int32_t mode, int32_t cw, int32_t ch, int32_t interlace = 0) {
  return FrameInputs{/*aspectMode*/ mode, /*interlace*/ interlace, /*windowFound*/ true, cw, ch};
}

}  // namespace test
}  // namespace xvf
