#pragma once
// xvfaspect: the frame pass as a GStreamer video filter, in place on YUY2 and
// BGR frames; the window's stretch goes out as the pixel-aspect-ratio.
#include <gst/video/gstvideofilter.h>

G_BEGIN_DECLS

#define GST_TYPE_XVF_ASPECT (gst_xvf_aspect_get_type())
G_DECLARE_FINAL_TYPE(GstXvfAspect, gst_xvf_aspect, GST, XVF_ASPECT, GstVideoFilter)

GST_ELEMENT_REGISTER_DECLARE(xvfaspect);

G_END_DECLS
