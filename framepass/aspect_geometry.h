#pragma once
#include <cstdint>

#include "platform/rect.h"

namespace xvf {

enum AspectMode : int32_t {
  kFitToWindow = 0,  // frame left alone; the host's stretch fills the window
  kFitToWidth = 1,   // a 4:3 picture spans the window's width
  kFitToHeight = 2,  // a 4:3 picture spans the window's height
  kPanorama = 3,     // whole frame, columns redistributed (panorama table)
  kAnamorphic = 4,   // as FitToWidth for a horizontally squeezed 16:9 picture
};

// Source and destination rectangles of one frame, in frame coordinates.
struct AspectGeometry {
  Rect srcRect;
  Rect dstRect;
};

// The rectangles for `mode` with frame w x h and window client cw x ch, all
// positive. MulDiv is applied in the order written for each mode, each step
// rounded. False for a mode without geometry (0 or outside 0..4) and when an
// intermediate overflows 32 bits.
bool ComputeAspectGeometry(int32_t mode, int32_t w, int32_t h, int32_t cw, int32_t ch, AspectGeometry* out);

// The 4:3 band of window proportions cw / ch, both ends excluded. The mpv
// plug-in's shaders take it from here.
constexpr double kFourThirdsBandLow = 1.32;
constexpr double kFourThirdsBandHigh = 1.35;

// True when cw / ch lies strictly within the 4:3 band: the window is 4:3
// to within it and modes 1 to 3 leave the frame alone.
bool IsFourThirdsWindow(int32_t cw, int32_t ch);

// The pixel aspect at which a player must show a w x h frame for it to look
// as a cw x ch window shows it: cw*h : ch*w, reduced (0:0 for a zero side).
void WindowPixelAspect(int32_t w, int32_t h, int32_t cw, int32_t ch, int64_t* num, int64_t* den);

// True when the frame pass returns every frame of any stream unchanged in
// `mode` with a cw x ch window: fit-window, or a window within the 4:3 band
// outside anamorphic.
bool LeavesFramesAlone(int32_t mode, int32_t cw, int32_t ch);

// The window's proportions relative to 4:3, ((cw * 3.0) / ch) * 0.25.
double PanoramaRatio(int32_t cw, int32_t ch);

}  // namespace xvf
