#pragma once
// Frames and frame-pass inputs as the tests set them up.
#include <cstddef>
#include <cstdint>
#include <optional>

#include "engine/frame_format.h"
#include "platform/rect.h"
#include "framepass/aspect_geometry.h"
#include "framepass/plugin_state.h"

namespace xvf {
namespace test {

// A scale request over the packed rows of `frame`.
inline ScaleRequest Packed(uint8_t* frame, int32_t width, int32_t height, Rect src, Rect dst, PixelFormat format,
                           bool byFields = false, const ScaleMapEntry* columns = nullptr) {
  ScaleRequest r = PackedScaleRequest(frame, width, height, format, src, dst);
  r.byFields = byFields;
  r.columnMap = columns;
  return r;
}

// A video window was found and measured at cw x ch.
inline FrameInputs WindowInputs(int32_t mode, int32_t cw, int32_t ch, int32_t interlace = 0) {
  return FrameInputs{/*aspectMode*/ mode, /*interlace*/ interlace, /*windowFound*/ true, cw, ch};
}

// Where a frame pass may report 1 with the frame unchanged: the geometry maps
// the whole frame onto itself, or the source clips to nothing (its bands may
// all miss the frame).
inline bool NothingToChange(int32_t mode, int32_t w, int32_t h, int32_t cw, int32_t ch, int32_t fields) {
  AspectGeometry g;
  if (!ComputeAspectGeometry(mode, w, h, cw, ch, &g)) return false;
  const Rect whole{0, 0, w, h};
  Rect src = g.srcRect, clipped;
  if (fields) src.top &= ~1, src.bottom &= ~1;
  return (g.srcRect == whole && g.dstRect == whole) || !IntersectRect(&clipped, src, whole);
}

}  // namespace test

// The panorama table of a PluginState and the ratio it was built for, for
// the tests of its rebuilds.
struct PluginStateProbe {
  static ScaleMapEntry* PanoramaTable(PluginState& state) { return state.panoramaTable.get(); }
  static std::optional<double> PanoramaRatio(const PluginState& state) { return state.panoramaRatio; }
};

}  // namespace xvf
