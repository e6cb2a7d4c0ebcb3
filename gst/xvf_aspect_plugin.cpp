// libgstxvfaspect.so: the plug-in that holds the xvfaspect element.
#include <gst/gst.h>

#include "gst/xvf_aspect_element.h"

namespace {

gboolean PluginInit(GstPlugin* plugin) { return GST_ELEMENT_REGISTER(xvfaspect, plugin); }

}  // namespace

GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, xvfaspect,
                  "Frames the picture for a video window's aspect, as the XVF_Aspect plug-in does", PluginInit,
                  XVF_VERSION, "MIT/X11", XVF_PACKAGE, XVF_ORIGIN)
