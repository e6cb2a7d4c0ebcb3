#pragma once
#include <cstdint>

#include "framepass/frame_view.h"

namespace xvf {

// What one frame's luma shows: the black bands at its two edges and whether
// there is a picture to judge at all.
struct PictureMeasure {
  bool showsPicture = false;  // false: black, dark or nearly uniform; the bands say nothing
  int32_t firstBand = 0;      // black rows at the first row in memory
  int32_t lastBand = 0;       // black rows at the last row in memory
  int32_t pictureRows = 0;    // height less twice the smaller band: the picture at its largest
};

// Reads a sample of rows and columns (auto_mode_thresholds.h), each at most
// once. A frame with no rows or columns shows no picture.
PictureMeasure MeasurePicture(const FrameView& frame);

}  // namespace xvf
