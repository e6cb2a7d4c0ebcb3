#include "gst/xvf_aspect_element.h"

#include <gst/video/video.h>

#include <cstddef>
#include <iterator>
#include <mutex>
#include <new>
#include <string>

#include "engine/frame_format.h"
#include "gst/frame_caps.h"
#include "gst/frame_plane.h"
#include "gst/window_aspect.h"
#include "framepass/aspect_geometry.h"
#include "framepass/auto_mode_session.h"
#include "framepass/frame_modes.h"
#include "framepass/plugin_state.h"
#include "common/options/tool_options.h"

GST_DEBUG_CATEGORY_STATIC(xvf_aspect_debug);
#define GST_CAT_DEFAULT xvf_aspect_debug

namespace {

enum FieldsChoice : int32_t { kFieldsAuto = 0, kFieldsOn = 1, kFieldsOff = 2 };
enum SubtitlesChoice : int32_t { kSubtitlesKeep = 0, kSubtitlesCrop = 1 };

// The properties; written by any thread, read once per frame, under the
// element's settings lock.
struct ElementSettings {
  int32_t aspectMode = xvf::kPanorama;  // 0..4 or xvf::kAutoMode
  int32_t autoFallback = xvf::kPanorama;
  int32_t autoSubtitles = kSubtitlesKeep;
  xvf::WindowSize window;
  int32_t fields = kFieldsAuto;
};

// What the streaming thread frames with, as videoflip's active method: the
// properties and auto's mode, taken by before_transform, which sets
// passthrough from them in the same step. Property changes reach it only
// there, so passthrough never changes between the base class's copy of a
// shared buffer and transform_ip.
struct ActiveSettings {
  ElementSettings settings;
  int32_t mode = xvf::kPanorama;  // 0..4
};

enum { PROP_0, PROP_MODE, PROP_AUTO_FALLBACK, PROP_MODE_IN_USE, PROP_WINDOW, PROP_FIELDS, PROP_AUTO_SUBTITLES };

GParamSpec* modeInUseSpec;

// Modes 0..N-1 as a GEnumValue table: nicks are the modes' own names,
// `blurbs` their descriptions; `values` lives as long as the type.
template <size_t N>
GType RegisterModeEnum(const char* name, const char* const (&blurbs)[N], GEnumValue (&values)[N + 1]) {
  for (size_t m = 0; m < N; ++m) values[m] = {static_cast<gint>(m), blurbs[m], xvf::FrameModeName(int32_t(m))};
  values[N] = {0, nullptr, nullptr};
  return g_enum_register_static(name, values);
}

GType AspectModeType() {
  static GType type = 0;
  static const char* const blurbs[] = {
      "Frame left alone; the player's stretch fills the window",
      "A 4:3 picture spans the window's width",
      "A 4:3 picture spans the window's height",
      "The whole frame, its sides stretched more than its middle",
      "A squeezed 16:9 picture spans the window's width",
      "One of the five per programme, from the caps' pixel-aspect-ratio and the picture",
  };
  static GEnumValue values[std::size(blurbs) + 1];
  if (g_once_init_enter(&type)) g_once_init_leave(&type, RegisterModeEnum("GstXvfAspectMode", blurbs, values));
  return type;
}

// The five modes alone: auto's fallback and the mode a frame was processed in.
GType FixedModeType() {
  static GType type = 0;
  static const char* const blurbs[] = {"Fit to window", "Fit to width", "Fit to height", "Panorama", "Anamorphic"};
  static GEnumValue values[std::size(blurbs) + 1];
  if (g_once_init_enter(&type)) g_once_init_leave(&type, RegisterModeEnum("GstXvfAspectFixedMode", blurbs, values));
  return type;
}

GType AutoSubtitlesType() {
  static GType type = 0;
  static const GEnumValue values[] = {{kSubtitlesKeep, "Burnt-in text in the lower band stays in view", "keep"},
                                      {kSubtitlesCrop, "A letterbox is fit-width, text or not", "crop"},
                                      {0, nullptr, nullptr}};
  if (g_once_init_enter(&type)) g_once_init_leave(&type, g_enum_register_static("GstXvfAspectAutoSubtitles", values));
  return type;
}

GType FieldsChoiceType() {
  static GType type = 0;
  static const GEnumValue values[] = {
      {kFieldsAuto, "By fields when the caps say interlace-mode=interleaved", "auto"},
      {kFieldsOn, "Always by fields", "on"},
      {kFieldsOff, "Always whole frames", "off"},
      {0, nullptr, nullptr}};
  if (g_once_init_enter(&type)) g_once_init_leave(&type, g_enum_register_static("GstXvfAspectFields", values));
  return type;
}

}  // namespace

struct _GstXvfAspect {
  GstVideoFilter parent;
  // Any thread. Not the object lock: GLib's mutex is a bare futex that
  // ThreadSanitizer cannot follow.
  std::mutex settingsLock;
  ElementSettings settings;  // under settingsLock
  int32_t modeInUse;         // under settingsLock: the last frame's mode, -1 before the first
  // Streaming thread only: the stream started at set_info.
  xvf::PluginState* state;
  bool interleaved;  // the caps say interlace-mode=interleaved
  // Streaming thread only: auto mode. The session lives while frames come
  // in auto mode with one fallback and subtitles choice; null starts it over
  // at the next.
  xvf::AutoModeSession* autoMode;
  xvf::DeclaredStream declared;  // from the sink caps
  guint64 frames;                // buffers since the stream started
  ActiveSettings active;         // streaming thread only
};

G_DEFINE_TYPE(GstXvfAspect, gst_xvf_aspect, GST_TYPE_VIDEO_FILTER)
GST_ELEMENT_REGISTER_DEFINE(xvfaspect, "xvfaspect", GST_RANK_NONE, GST_TYPE_XVF_ASPECT)

namespace {

ElementSettings SettingsOf(GstXvfAspect* self) {
  self->settingsLock.lock();
  const ElementSettings settings = self->settings;
  self->settingsLock.unlock();
  return settings;
}

// Frames the pass would leave alone go through untouched: not mapped for
// writing, not copied when shared. Called only where no buffer is between
// the base class's prepare_output_buffer and transform_ip.
void SetPassthrough(GstXvfAspect* self, bool leftAlone) {
  GstBaseTransform* trans = GST_BASE_TRANSFORM(self);
  if (gst_base_transform_is_passthrough(trans) != leftAlone) gst_base_transform_set_passthrough(trans, leftAlone);
}

// Before the first frame, the mode it would start in.
int32_t ModeInUseLocked(const GstXvfAspect* self) {
  if (self->modeInUse >= 0) return self->modeInUse;
  const ElementSettings& s = self->settings;
  return s.aspectMode == xvf::kAutoMode ? s.autoFallback : s.aspectMode;
}

void SetModeInUse(GstXvfAspect* self, int32_t mode) {
  self->settingsLock.lock();
  const bool changed = mode != ModeInUseLocked(self);
  self->modeInUse = mode;
  self->settingsLock.unlock();
  if (changed) g_object_notify_by_pspec(G_OBJECT(self), modeInUseSpec);
}

void DropAutoMode(GstXvfAspect* self) {
  delete self->autoMode;
  self->autoMode = nullptr;
}

// A new stream: frames count from 0 and auto mode starts over.
void StartStream(GstXvfAspect* self) {
  DropAutoMode(self);
  self->frames = 0;
}

void SetWindow(GstXvfAspect* self, const char* text) {
  xvf::WindowSize window;
  if (!text || !xvf::ParseWindowSize(text, &window)) {
    gchar* refusal = g_strdup_printf("window '%s' is not WxH with both sides in 1..2147483647; keeping %s",
                                     text ? text : "(null)", xvf::WindowSizeText(SettingsOf(self).window).c_str());
    // Before it is in a pipeline (gst-launch-1.0 sets properties then) the
    // element has no bus to post to: GLib's warning, as for a bad enum.
    GstBus* bus = gst_element_get_bus(GST_ELEMENT(self));
    if (bus) {
      GST_ELEMENT_WARNING(self, RESOURCE, SETTINGS, ("%s", refusal), (nullptr));
      gst_object_unref(bus);
    } else {
      g_warning("%s: %s", GST_OBJECT_NAME(self), refusal);
    }
    g_free(refusal);
    return;
  }
  self->settingsLock.lock();
  const bool changed = window.width != self->settings.window.width || window.height != self->settings.window.height;
  self->settings.window = window;
  self->settingsLock.unlock();
  // The output's pixel-aspect-ratio follows the window.
  if (changed) gst_base_transform_reconfigure_src(GST_BASE_TRANSFORM(self));
}

// Every setting is written under settingsLock, where SettingsOf reads it.
void SetEnumSetting(GstXvfAspect* self, int32_t ElementSettings::*setting, int32_t value) {
  self->settingsLock.lock();
  self->settings.*setting = value;
  self->settingsLock.unlock();
}

void SetProperty(GObject* object, guint id, const GValue* value, GParamSpec* property) {
  GstXvfAspect* self = GST_XVF_ASPECT(object);
  switch (id) {
    case PROP_MODE:
      SetEnumSetting(self, &ElementSettings::aspectMode, g_value_get_enum(value));
      break;
    case PROP_AUTO_FALLBACK:
      SetEnumSetting(self, &ElementSettings::autoFallback, g_value_get_enum(value));
      break;
    case PROP_AUTO_SUBTITLES:
      SetEnumSetting(self, &ElementSettings::autoSubtitles, g_value_get_enum(value));
      break;
    case PROP_WINDOW:
      SetWindow(self, g_value_get_string(value));
      break;
    case PROP_FIELDS:
      SetEnumSetting(self, &ElementSettings::fields, g_value_get_enum(value));
      break;
    default:
      G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, property);
  }
}

void GetProperty(GObject* object, guint id, GValue* value, GParamSpec* property) {
  GstXvfAspect* self = GST_XVF_ASPECT(object);
  self->settingsLock.lock();
  const ElementSettings settings = self->settings;
  const int32_t modeInUse = ModeInUseLocked(self);
  self->settingsLock.unlock();
  switch (id) {
    case PROP_MODE:
      g_value_set_enum(value, settings.aspectMode);
      break;
    case PROP_AUTO_FALLBACK:
      g_value_set_enum(value, settings.autoFallback);
      break;
    case PROP_AUTO_SUBTITLES:
      g_value_set_enum(value, settings.autoSubtitles);
      break;
    case PROP_MODE_IN_USE:
      g_value_set_enum(value, modeInUse);
      break;
    case PROP_WINDOW:
      g_value_take_string(value, g_strdup(xvf::WindowSizeText(settings.window).c_str()));
      break;
    case PROP_FIELDS:
      g_value_set_enum(value, settings.fields);
      break;
    default:
      G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, property);
  }
}

void Finalize(GObject* object) {
  GstXvfAspect* self = GST_XVF_ASPECT(object);
  DropAutoMode(self);
  delete self->state;
  self->settingsLock.~mutex();
  G_OBJECT_CLASS(gst_xvf_aspect_parent_class)->finalize(object);
}

GstCaps* TransformCaps(GstBaseTransform* trans, GstPadDirection direction, GstCaps* caps, GstCaps* filter) {
  GstCaps* across = xvf::CapsAcross(direction, caps, SettingsOf(GST_XVF_ASPECT(trans)).window);
  if (filter) {
    GstCaps* both = gst_caps_intersect_full(filter, across, GST_CAPS_INTERSECT_FIRST);
    gst_caps_unref(across);
    across = both;
  }
  return across;
}

// Upstream may send any pixel aspect: the sink pad's answer names none, so a
// source free to choose keeps its own (1/1) instead of taking the window's
// stretch that the base class would offer it first, which an automatic mode
// would then read as declared.
gboolean Query(GstBaseTransform* trans, GstPadDirection direction, GstQuery* query) {
  if (!GST_BASE_TRANSFORM_CLASS(gst_xvf_aspect_parent_class)->query(trans, direction, query)) return FALSE;
  if (direction != GST_PAD_SINK || GST_QUERY_TYPE(query) != GST_QUERY_CAPS) return TRUE;
  GstCaps* caps = nullptr;
  gst_query_parse_caps_result(query, &caps);
  if (!caps || gst_caps_is_any(caps)) return TRUE;
  GstCaps* open = gst_caps_copy(caps);
  for (guint i = 0; i < gst_caps_get_size(open); ++i)
    gst_structure_remove_field(gst_caps_get_structure(open, i), "pixel-aspect-ratio");
  gst_query_set_caps_result(query, open);
  gst_caps_unref(open);
  return TRUE;
}

// Fixed caps the template allows but the frame pass cannot take (an odd YUY2
// width) are refused here, before any buffer.
gboolean AcceptCaps(GstBaseTransform* trans, GstPadDirection direction, GstCaps* caps) {
  if (!GST_BASE_TRANSFORM_CLASS(gst_xvf_aspect_parent_class)->accept_caps(trans, direction, caps)) return FALSE;
  GstVideoInfo info;
  if (gst_caps_is_fixed(caps) && gst_video_info_from_caps(&info, caps) && !xvf::IsUsableVideo(info)) {
    GST_DEBUG_OBJECT(trans, "the frame pass cannot take %" GST_PTR_FORMAT, caps);
    return FALSE;
  }
  return TRUE;
}

gboolean SetInfo(GstVideoFilter* filter, GstCaps* incaps, GstVideoInfo* in, GstCaps*, GstVideoInfo*) {
  GstXvfAspect* self = GST_XVF_ASPECT(filter);
  if (!self->state || !xvf::IsUsableVideo(*in)) return FALSE;
  self->state->Start(xvf::StreamFormat{GST_VIDEO_INFO_WIDTH(in), GST_VIDEO_INFO_HEIGHT(in), 0,
                                       xvf::HostCodeOf(*xvf::PixelFormatOf(GST_VIDEO_INFO_FORMAT(in))), 0},
                     nullptr);
  self->interleaved = GST_VIDEO_INFO_INTERLACE_MODE(in) == GST_VIDEO_INTERLACE_MODE_INTERLEAVED;
  // GstVideoInfo says 1/1 for caps without a pixel-aspect-ratio; the
  // detector must hear "not declared" (0:0) then.
  const bool declared = gst_structure_has_field(gst_caps_get_structure(incaps, 0), "pixel-aspect-ratio");
  self->declared = xvf::DeclaredStream{declared ? GST_VIDEO_INFO_PAR_N(in) : 0, declared ? GST_VIDEO_INFO_PAR_D(in) : 0,
                                       GST_VIDEO_INFO_FPS_N(in), GST_VIDEO_INFO_FPS_D(in)};
  if (self->autoMode) self->autoMode->SetStream(self->declared);
  return TRUE;
}

// Auto's mode for the frame in `buffer`, read in place; -1 when the buffer
// does not hold the frame (transform_ip says so).
int32_t AutoMode(GstXvfAspect* self, GstBuffer* buffer, int32_t fallback, int32_t subtitles, guint64 frameNumber) {
  const bool keepSubtitles = subtitles == kSubtitlesKeep;
  if (self->autoMode && (self->autoMode->fallback() != fallback || self->autoMode->keepsSubtitles() != keepSubtitles))
    DropAutoMode(self);
  if (!self->autoMode) {
    self->autoMode = new (std::nothrow) xvf::AutoModeSession(fallback, keepSubtitles);
    if (!self->autoMode) return fallback;
    self->autoMode->SetStream(self->declared);
  }
  const GstVideoInfo& info = GST_VIDEO_FILTER(self)->in_info;
  const int32_t width = GST_VIDEO_INFO_WIDTH(&info), height = GST_VIDEO_INFO_HEIGHT(&info);
  GstVideoFrame frame;
  if (!gst_video_frame_map(&frame, &info, buffer, GST_MAP_READ)) return -1;
  if (!xvf::UnusablePlaneReason(frame).empty()) {
    gst_video_frame_unmap(&frame);
    return -1;
  }
  // Picture row 0 first, rows top-down at the plane's stride, as the pass
  // takes them; read only.
  const xvf::AutoModeStep step = self->autoMode->Feed(
      xvf::FrameRows{static_cast<uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)),
                     GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0), width, height,
                     *xvf::PixelFormatOf(GST_VIDEO_INFO_FORMAT(&info))},
      static_cast<int64_t>(frameNumber));
  gst_video_frame_unmap(&frame);
  const xvf::AutoModeDecision& decision = step.decision;
  // "report" is xvf-aspect's line for the decision.
  if (!step.report.empty()) {
    const std::string& report = step.report;
    GST_INFO_OBJECT(self, "%s", report.c_str());
    const guint64 pictureFrame = frameNumber - static_cast<guint64>(decision.sinceFrames);
    GstStructure* s = gst_structure_new("xvfaspect-mode", "frame", G_TYPE_UINT64, frameNumber, "mode",
                                        FixedModeType(), decision.mode, "reason", G_TYPE_STRING,
                                        decision.reason.c_str(), "picture-frame", G_TYPE_UINT64, pictureFrame,
                                        "report", G_TYPE_STRING, report.c_str(), nullptr);
    gst_element_post_message(GST_ELEMENT(self), gst_message_new_element(GST_OBJECT(self), s));
  }
  return decision.mode;
}

// Every buffer, on the streaming thread before the base class looks at it:
// the settings taken once, auto's mode chosen, and passthrough set so that a
// frame the pass leaves alone goes on as it came, even when shared.
void BeforeTransform(GstBaseTransform* trans, GstBuffer* buffer) {
  GstXvfAspect* self = GST_XVF_ASPECT(trans);
  ActiveSettings& active = self->active;
  active.settings = SettingsOf(self);
  active.mode = active.settings.aspectMode;
  const guint64 frameNumber = self->frames++;
  // No picture to frame (an empty buffer, or one flagged as a gap): it goes
  // on as it came, in every mode, and auto does not see it.
  if (gst_buffer_get_size(buffer) == 0 || GST_BUFFER_FLAG_IS_SET(buffer, GST_BUFFER_FLAG_GAP)) {
    SetPassthrough(self, true);
    return;
  }
  bool known = true;
  if (active.mode == xvf::kAutoMode) {
    const int32_t chosen = GST_VIDEO_FILTER(trans)->negotiated
                               ? AutoMode(self, buffer, active.settings.autoFallback, active.settings.autoSubtitles,
                                          frameNumber)
                               : -1;
    // transform_ip reports the buffer or the missing caps.
    known = chosen >= 0;
    active.mode = known ? chosen : active.settings.autoFallback;
  } else {
    DropAutoMode(self);
  }
  if (known) SetModeInUse(self, active.mode);
  SetPassthrough(self, known && xvf::LeavesFramesAlone(active.mode, active.settings.window));
}

// Before streaming: passthrough as the settings say, so the allocation
// query is answered as for the first frame (auto's is known per frame).
gboolean Start(GstBaseTransform* trans) {
  GstXvfAspect* self = GST_XVF_ASPECT(trans);
  StartStream(self);
  const ElementSettings settings = SettingsOf(self);
  SetPassthrough(self, settings.aspectMode != xvf::kAutoMode && xvf::LeavesFramesAlone(settings.aspectMode, settings.window));
  return TRUE;
}

gboolean SinkEvent(GstBaseTransform* trans, GstEvent* event) {
  if (GST_EVENT_TYPE(event) == GST_EVENT_FLUSH_STOP || GST_EVENT_TYPE(event) == GST_EVENT_STREAM_START)
    StartStream(GST_XVF_ASPECT(trans));
  return GST_BASE_TRANSFORM_CLASS(gst_xvf_aspect_parent_class)->sink_event(trans, event);
}

GstFlowReturn TransformIp(GstBaseTransform* trans, GstBuffer* buffer) {
  GstXvfAspect* self = GST_XVF_ASPECT(trans);
  GstVideoFilter* filter = GST_VIDEO_FILTER(trans);
  if (!filter->negotiated) {
    GST_ELEMENT_ERROR(self, CORE, NEGOTIATION, (nullptr), ("a buffer before any caps"));
    return GST_FLOW_NOT_NEGOTIATED;
  }
  const GstVideoInfo& info = filter->in_info;
  const int32_t width = GST_VIDEO_INFO_WIDTH(&info), height = GST_VIDEO_INFO_HEIGHT(&info);
  // A frame that cannot be framed in place is not sent on as framed: the
  // output caps carry the window's pixel aspect. The stream stops.
  GstVideoFrame frame;
  if (!gst_video_frame_map(&frame, &info, buffer, GST_MAP_READWRITE)) {
    GST_ELEMENT_ERROR(self, STREAM, FORMAT, (nullptr),
                      ("a buffer of %" G_GSIZE_FORMAT " bytes does not hold a %dx%d %s frame (%" G_GSIZE_FORMAT
                       " bytes)",
                       gst_buffer_get_size(buffer), width, height, GST_VIDEO_INFO_NAME(&info), GST_VIDEO_INFO_SIZE(&info)));
    return GST_FLOW_ERROR;
  }
  const std::string unusable = xvf::UnusablePlaneReason(frame);
  if (!unusable.empty()) {
    gst_video_frame_unmap(&frame);
    GST_ELEMENT_ERROR(self, STREAM, FORMAT, (nullptr), ("%s", unusable.c_str()));
    return GST_FLOW_ERROR;
  }

  const ElementSettings& settings = self->active.settings;
  const bool byFields = settings.fields == kFieldsOn || (settings.fields == kFieldsAuto && self->interleaved);
  const xvf::FrameInputs inputs{self->active.mode, byFields ? 1 : 0, true, settings.window.width,
                                settings.window.height};
  // Picture row 0 first, rows top-down at the plane's stride: the frame pass
  // works on the buffer itself.
  const xvf::FrameRows rows{static_cast<uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)),
                            GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0), width, height,
                            *xvf::PixelFormatOf(GST_VIDEO_INFO_FORMAT(&info))};
  xvf::PluginState& state = *self->state;
  const int32_t wanting = state.FramesLeftForWantOfMemory();
  state.ProcessFrame(rows, inputs);
  gst_video_frame_unmap(&frame);
  // A frame left as it was for want of memory (the scaler's buffers, or a
  // panorama table lost at set_info) is not framed: sent on, it would be
  // shown at the window's pixel aspect, stretched. The stream stops.
  if (state.FramesLeftForWantOfMemory() != wanting) {
    GST_ELEMENT_ERROR(self, RESOURCE, FAILED, ("no memory to scale a %dx%d frame", width, height), (nullptr));
    return GST_FLOW_ERROR;
  }
  return GST_FLOW_OK;
}

}  // namespace

static void gst_xvf_aspect_class_init(GstXvfAspectClass* klass) {
  GObjectClass* objectClass = G_OBJECT_CLASS(klass);
  objectClass->set_property = SetProperty;
  objectClass->get_property = GetProperty;
  objectClass->finalize = Finalize;
  const GParamFlags flags =
      static_cast<GParamFlags>(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS | GST_PARAM_MUTABLE_PLAYING);
  g_object_class_install_property(
      objectClass, PROP_MODE,
      g_param_spec_enum("mode", "Aspect mode",
                        "How the picture fills the video window; the next frame takes a new mode. auto chooses one "
                        "of the five per programme: anamorphic while the caps' pixel-aspect-ratio declares a 16:9 "
                        "picture, fit-width once a picture between black bands at least 14:9 wide has held for "
                        "a second of frames (unless auto-subtitles keeps text in its lower band), else "
                        "auto-fallback; the first choice and each change are an element message "
                        "\"xvfaspect-mode\" (frame, mode, reason, picture-frame, report). auto is this element's and xvf-aspect's: the "
                        "XVF_Aspect DLL is unchanged and keeps its five modes",
                        AspectModeType(), xvf::kPanorama, flags));
  g_object_class_install_property(
      objectClass, PROP_AUTO_FALLBACK,
      g_param_spec_enum("auto-fallback", "Auto fallback",
                        "The mode auto uses for a picture that is neither declared 16:9 nor letterboxed, and "
                        "until the frames have decided",
                        FixedModeType(), xvf::kPanorama, flags));
  g_object_class_install_property(
      objectClass, PROP_AUTO_SUBTITLES,
      g_param_spec_enum("auto-subtitles", "Auto subtitles",
                        "keep: a letterbox whose lower band carries burnt-in text stays in auto-fallback, the "
                        "text in view; crop: fit-width as any letterbox",
                        AutoSubtitlesType(), kSubtitlesKeep, flags));
  modeInUseSpec = g_param_spec_enum(
      "mode-in-use", "Mode in use",
      "The mode the last frame was processed in: the mode property's, or auto's choice (notified when it changes)",
      FixedModeType(), xvf::kPanorama, static_cast<GParamFlags>(G_PARAM_READABLE | G_PARAM_STATIC_STRINGS));
  g_object_class_install_property(objectClass, PROP_MODE_IN_USE, modeInUseSpec);
  g_object_class_install_property(
      objectClass, PROP_WINDOW,
      g_param_spec_string("window", "Window size",
                          "Client size WxH of the video window the picture is framed for; its stretch of the frame "
                          "is the output pixel-aspect-ratio, and a new size renegotiates it",
                          "1024x576", flags));
  g_object_class_install_property(
      objectClass, PROP_FIELDS,
      g_param_spec_enum("fields", "By fields", "Scale the two fields of each frame separately", FieldsChoiceType(),
                        kFieldsAuto, flags));

  GstElementClass* elementClass = GST_ELEMENT_CLASS(klass);
  gst_element_class_set_static_metadata(
      elementClass, "XVF Aspect", "Filter/Effect/Video",
      "Frames the picture for a video window of another aspect, in place: scales it and paints black bands, "
      "byte for byte as the XVF_Aspect plug-in",
      "XVF_Aspect developers");
  GstCaps* caps = gst_caps_from_string(xvf::kFrameCapsTemplate);
  gst_element_class_add_pad_template(elementClass, gst_pad_template_new("sink", GST_PAD_SINK, GST_PAD_ALWAYS, caps));
  gst_element_class_add_pad_template(elementClass, gst_pad_template_new("src", GST_PAD_SRC, GST_PAD_ALWAYS, caps));
  gst_caps_unref(caps);

  GstBaseTransformClass* transformClass = GST_BASE_TRANSFORM_CLASS(klass);
  transformClass->transform_caps = TransformCaps;
  transformClass->accept_caps = AcceptCaps;
  transformClass->query = Query;
  transformClass->transform_ip = TransformIp;
  transformClass->before_transform = BeforeTransform;
  transformClass->start = Start;
  transformClass->sink_event = SinkEvent;
  transformClass->transform_ip_on_passthrough = FALSE;
  GST_VIDEO_FILTER_CLASS(klass)->set_info = SetInfo;

  gst_type_mark_as_plugin_api(AspectModeType(), static_cast<GstPluginAPIFlags>(0));
  gst_type_mark_as_plugin_api(FixedModeType(), static_cast<GstPluginAPIFlags>(0));
  gst_type_mark_as_plugin_api(FieldsChoiceType(), static_cast<GstPluginAPIFlags>(0));
  GST_DEBUG_CATEGORY_INIT(xvf_aspect_debug, "xvfaspect", 0, "XVF_Aspect frame pass");
}

static void gst_xvf_aspect_init(GstXvfAspect* self) {
  new (&self->settingsLock) std::mutex;
  self->settings = ElementSettings{};
  self->modeInUse = -1;
  self->state = new (std::nothrow) xvf::PluginState;  // null: no caps are taken
  self->interleaved = false;
  self->autoMode = nullptr;
  self->declared = xvf::DeclaredStream{};
  self->frames = 0;
  self->active = ActiveSettings{};
}
