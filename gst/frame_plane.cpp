#include "gst/frame_plane.h"

#include <cstdint>
#include <cstdio>

#include "engine/frame_format.h"
#include "gst/frame_caps.h"

namespace xvf {

std::string UnusablePlaneReason(const GstVideoFrame& frame) {
  const GstVideoInfo& info = frame.info;
  const int32_t width = GST_VIDEO_INFO_WIDTH(&info), height = GST_VIDEO_INFO_HEIGHT(&info);
  const int64_t rowBytes = int64_t{GST_VIDEO_INFO_COMP_PSTRIDE(&info, 0)} * width;
  const int32_t stride = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0);
  const int64_t first = static_cast<const uint8_t*>(frame.data[0]) - static_cast<const uint8_t*>(frame.map[0].data);
  const int64_t span = int64_t{stride} * (height - 1);
  const int64_t low = span < 0 ? first + span : first;
  const int64_t high = (span < 0 ? first : first + span) + rowBytes;
  char reason[200];
  if (low < 0 || high > static_cast<int64_t>(frame.map[0].size)) {
    std::snprintf(reason, sizeof reason, "a buffer of %zu bytes does not hold a %dx%d %s frame (%zu bytes)",
                  static_cast<size_t>(frame.map[0].size), width, height, GST_VIDEO_INFO_NAME(&info),
                  static_cast<size_t>(GST_VIDEO_INFO_SIZE(&info)));
    return reason;
  }
  const FrameRows rows{static_cast<uint8_t*>(frame.data[0]), stride, width, height,
                       *PixelFormatOf(GST_VIDEO_INFO_FORMAT(&info))};
  if (!RowsAreUsable(rows)) {
    std::snprintf(reason, sizeof reason,
                  "the video meta's stride of %d bytes does not lay out %dx%d %s rows of %lld bytes", stride, width,
                  height, GST_VIDEO_INFO_NAME(&info), static_cast<long long>(rowBytes));
    return reason;
  }
  return std::string();
}

}  // namespace xvf
