#pragma once
#include <string>

#include "tools/xvf-aspect/filter_options.h"

namespace xvf {

// Why the frame pass cannot take the stream of `options`; empty when it can.
std::string UnusableStreamReason(const FilterOptions& options);

// Reads whole frames from `inputFd`, runs the frame pass on each as the
// plug-in's Process would for the window of `options`, and writes each frame
// to `outputFd` in order; --geometry lines and messages go to standard
// error. Returns the exit status: 0 when the input ended on a frame
// boundary, 1 when reading, writing or the preview failed, or when the input
// ended inside a frame (every complete frame is written, the rest is not).
// An output whose reader went away ends the run quietly with 1.
int RunFrameFilter(const FilterOptions& options, int inputFd, int outputFd, bool showProgress);

}  // namespace xvf
