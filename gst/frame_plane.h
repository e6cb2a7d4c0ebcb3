#pragma once
// Whether a mapped frame's first plane is rows the frame pass can work on in
// place: a video meta's offset and stride are upstream's word.
#include <gst/video/video.h>

#include <string>

namespace xvf {

// Empty when every row of the plane lies within its mapping, rows lie at
// least a row's bytes apart and the frame pass can address them; otherwise
// why not, for the bus.
std::string UnusablePlaneReason(const GstVideoFrame& frame);

}  // namespace xvf
