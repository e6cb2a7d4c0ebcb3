#pragma once
#include <mpv/client.h>

#include <cstdint>
#include <vector>

#include "engine/frame_format.h"

namespace xvf {

// Takes the frame mpv shows as the decoder gave it (software screenshot: no
// user shader, so the framing never feeds back into what is measured) and
// brings it back to the stream's width x height as 24-bit B, G, R rows,
// top-down, the size and pixel aspect the stream declares.
class FrameSampler {
 public:
  explicit FrameSampler(mpv_handle* mpv) : mpv_(mpv) {}

  // False when mpv has no frame or gives one in another format; the view
  // stays valid until the next call.
  bool Take(int32_t width, int32_t height, FrameRows* view);

 private:
  bool Convert(const mpv_node& shot, int32_t width, int32_t height);

  mpv_handle* mpv_;
  std::vector<uint8_t> bgr_;
};

}  // namespace xvf
