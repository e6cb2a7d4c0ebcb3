#include "gst/frame_caps.h"

#include "engine/frame_format.h"

namespace xvf {

// Sides below 65536 (the frame pass's limit).
const char kFrameCapsTemplate[] =
    "video/x-raw, format = (string) { YUY2, BGR }, width = (int) [ 1, 65535 ], height = (int) [ 1, 65535 ], "
    "framerate = (fraction) [ 0/1, 2147483647/1 ], interlace-mode = (string) { progressive, interleaved }";

std::optional<PixelFormat> PixelFormatOf(GstVideoFormat format) {
  if (format == GST_VIDEO_FORMAT_YUY2) return PixelFormat::kYuy2;
  if (format == GST_VIDEO_FORMAT_BGR) return PixelFormat::kRgb24;
  return std::nullopt;
}

bool IsUsableVideo(const GstVideoInfo& info) {
  const std::optional<PixelFormat> format = PixelFormatOf(GST_VIDEO_INFO_FORMAT(&info));
  const GstVideoInterlaceMode interlace = GST_VIDEO_INFO_INTERLACE_MODE(&info);
  return format && IsUsableStream(*format, GST_VIDEO_INFO_WIDTH(&info), GST_VIDEO_INFO_HEIGHT(&info)) &&
         (interlace == GST_VIDEO_INTERLACE_MODE_PROGRESSIVE || interlace == GST_VIDEO_INTERLACE_MODE_INTERLEAVED);
}

namespace {

// False for a structure of fixed format and size the frame pass cannot take
// (a YUY2 frame of odd width, a frame beyond 2 GiB).
bool MayBeUsable(const GstStructure* s) {
  const char* format = gst_structure_get_string(s, "format");
  int width = 0, height = 0;
  if (!format || !gst_structure_get_int(s, "width", &width) || !gst_structure_get_int(s, "height", &height)) return true;
  const std::optional<PixelFormat> pixels = PixelFormatOf(gst_video_format_from_string(format));
  return !pixels || IsUsableStream(*pixels, width, height);
}

}  // namespace

GstCaps* CapsAcross(GstPadDirection direction, GstCaps* caps, const WindowSize& window) {
  GstCaps* across = gst_caps_new_empty();
  for (guint i = 0; i < gst_caps_get_size(caps); ++i) {
    const GstStructure* from = gst_caps_get_structure(caps, i);
    if (!MayBeUsable(from)) continue;
    GstStructure* s = gst_structure_copy(from);
    int width = 0, height = 0;
    if (direction == GST_PAD_SINK && gst_structure_get_int(s, "width", &width) &&
        gst_structure_get_int(s, "height", &height)) {
      int32_t num = 1, den = 1;
      WindowPixelAspect(width, height, window, &num, &den);
      gst_structure_set(s, "pixel-aspect-ratio", GST_TYPE_FRACTION, num, den, nullptr);
    } else {
      // Any pixel aspect upstream, left to the source: a range here would
      // let a source fixate a made-up one, which auto would take as declared.
      gst_structure_remove_field(s, "pixel-aspect-ratio");
    }
    const GstCapsFeatures* features = gst_caps_get_features(caps, i);
    across = gst_caps_merge_structure_full(across, s, features ? gst_caps_features_copy(features) : nullptr);
  }
  return across;
}

}  // namespace xvf
