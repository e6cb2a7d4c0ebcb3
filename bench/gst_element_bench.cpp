// The xvfaspect element in a pipeline (pre-made frames pushed by this thread
// or by appsrc, xvfaspect, fakesink) per frame, beside the frame pass alone
// on the same frames; and
// the two ways of handing the pass GStreamer's rows (top-down, 4-byte
// strides): in place at their stride, as the element does, or copied through
// a packed bottom-up frame and back (one frame, hot). XVF_CPU picks the
// kernel level.
#include <benchmark/benchmark.h>
#include <gst/app/gstappsrc.h>
#include <gst/gst.h>

#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_cases.h"
#include "bench/frame_set.h"
#include "bench/register_case.h"
#include "platform/cpu_features.h"
#include "framepass/plugin_state.h"

namespace xvf::bench {
namespace {

constexpr Mode kElementModes[] = {{"panorama", kPanorama}, {"fit-width", kFitToWidth}};
// The element's formats; BGR's bytes are the host's RGB24 rows top-down.
constexpr PixelLayout kGstLayouts[] = {{"yuy2", PixelFormat::kYuy2}, {"bgr", PixelFormat::kRgb24}};
constexpr int kPoolFrames = 6;

int32_t GstStride(const FrameSize& s, const PixelLayout& l) { return (s.width * BytesPerPixel(l.format) + 3) & ~3; }

FrameInputs InputsFor(const FrameSize& s, const Mode& m) {
  return FrameInputs{m.aspectMode, 0, true, s.windowWidth, s.windowHeight};
}

void Finish(benchmark::State& state, size_t frameBytes) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(frameBytes));
  state.SetLabel(CpuLevelName(UsableCpuLevel()));
}

GstBufferPool* FramePool(GstCaps* caps, size_t bytes) {
  GstBufferPool* pool = gst_buffer_pool_new();
  GstStructure* config = gst_buffer_pool_get_config(pool);
  gst_buffer_pool_config_set_params(config, caps, static_cast<guint>(bytes), kPoolFrames, kPoolFrames);
  GstAllocationParams params;
  gst_allocation_params_init(&params);
  params.align = 63;
  gst_buffer_pool_config_set_allocator(config, nullptr, &params);
  gst_buffer_pool_set_config(pool, config);
  gst_buffer_pool_set_active(pool, TRUE);
  // Every frame of the pool drawn once; they keep their bytes from then on.
  std::vector<GstBuffer*> drawn(kPoolFrames);
  for (GstBuffer*& buffer : drawn) {
    gst_buffer_pool_acquire_buffer(pool, &buffer, nullptr);
    GstMapInfo map;
    gst_buffer_map(buffer, &map, GST_MAP_WRITE);
    FillPicture(map.data, map.size);
    gst_buffer_unmap(buffer, &map);
  }
  for (GstBuffer* buffer : drawn) gst_buffer_unref(buffer);
  return pool;
}

// The frame pass alone on the frames the element gets: the same pool taken
// in the same turn, GStreamer's rows at their stride.
void FramePassAlone(benchmark::State& state, FrameSize size, PixelLayout layout, Mode mode) {
  static const bool initialised = (gst_init(nullptr, nullptr), true);
  const int32_t stride = GstStride(size, layout);
  GstBufferPool* pool = FramePool(nullptr, size_t(stride) * size.height);
  PluginState plugin;
  plugin.Start(StreamFormat{size.width, size.height, 0, HostCodeOf(layout.format), 0}, nullptr);
  for (auto _ : state) {
    GstBuffer* buffer = nullptr;
    gst_buffer_pool_acquire_buffer(pool, &buffer, nullptr);
    GstMapInfo map;
    gst_buffer_map(buffer, &map, GST_MAP_READWRITE);
    benchmark::DoNotOptimize(plugin.ProcessFrame(FrameRows{map.data, stride, size.width, size.height, layout.format}, InputsFor(size, mode)));
    gst_buffer_unmap(buffer, &map);
    gst_buffer_unref(buffer);
  }
  gst_buffer_pool_set_active(pool, FALSE);
  gst_object_unref(pool);
  Finish(state, size_t(stride) * size.height);
  (void)initialised;
}

// Frames pushed by appsrc's streaming thread (real time: what the pipeline
// sustains), or by this thread into the element's sink pad (the element's and
// fakesink's own cost, no hand-over between threads).
void ElementInPipeline(benchmark::State& state, FrameSize size, PixelLayout layout, Mode mode, bool appsrc) {
  static const bool loaded = (gst_init(nullptr, nullptr), gst_plugin_load_file(XVF_GST_PLUGIN, nullptr) != nullptr);
  GError* error = nullptr;
  GstElement* pipeline = gst_parse_launch(
      appsrc ? "appsrc name=source format=time max-buffers=2 block=true ! xvfaspect name=aspect ! fakesink sync=false"
             : "xvfaspect name=aspect ! fakesink sync=false async=false",
      &error);
  if (!loaded || !pipeline) {
    state.SkipWithError(error ? error->message : "no xvfaspect");
    return;
  }
  const std::string capsText = std::string("video/x-raw,framerate=25/1,format=") +
                               (layout.format == PixelFormat::kYuy2 ? "YUY2" : "BGR") +
                               ",width=" + std::to_string(size.width) + ",height=" + std::to_string(size.height);
  GstCaps* caps = gst_caps_from_string(capsText.c_str());
  GstElement* aspect = gst_bin_get_by_name(GST_BIN(pipeline), "aspect");
  const std::string window = std::to_string(size.windowWidth) + "x" + std::to_string(size.windowHeight);
  g_object_set(aspect, "window", window.c_str(), nullptr);
  gst_util_set_object_arg(G_OBJECT(aspect), "mode", mode.name);
  const size_t bytes = size_t(GstStride(size, layout)) * size.height;
  GstBufferPool* pool = FramePool(caps, bytes);
  GstElement* source = appsrc ? gst_bin_get_by_name(GST_BIN(pipeline), "source") : nullptr;
  GstPad* sourcePad = appsrc ? nullptr : gst_pad_new("source", GST_PAD_SRC);
  GstPad* aspectSink = gst_element_get_static_pad(aspect, "sink");
  if (appsrc) {
    g_object_set(source, "caps", caps, nullptr);
  } else {
    gst_pad_link(sourcePad, aspectSink);
    gst_pad_set_active(sourcePad, TRUE);
  }
  gst_element_set_state(pipeline, GST_STATE_PLAYING);
  if (!appsrc) {
    GstSegment segment;
    gst_segment_init(&segment, GST_FORMAT_TIME);
    gst_pad_push_event(sourcePad, gst_event_new_stream_start("frames"));
    gst_pad_push_event(sourcePad, gst_event_new_caps(caps));
    gst_pad_push_event(sourcePad, gst_event_new_segment(&segment));
  }

  // Each frame is the pipeline's alone (writable, so processed in place) and
  // goes back to the pool at fakesink.
  for (auto _ : state) {
    GstBuffer* buffer = nullptr;
    gst_buffer_pool_acquire_buffer(pool, &buffer, nullptr);
    if (appsrc) {
      gst_app_src_push_buffer(GST_APP_SRC(source), buffer);
    } else if (gst_pad_push(sourcePad, buffer) != GST_FLOW_OK) {
      state.SkipWithError("the element refused a frame");
      break;
    }
  }
  if (appsrc) {
    gst_app_src_end_of_stream(GST_APP_SRC(source));
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* end = gst_bus_timed_pop_filtered(bus, GST_CLOCK_TIME_NONE,
                                                 static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    if (GST_MESSAGE_TYPE(end) == GST_MESSAGE_ERROR) state.SkipWithError("the pipeline failed");
    gst_message_unref(end);
    gst_object_unref(bus);
    gst_object_unref(source);
  }
  gst_element_set_state(pipeline, GST_STATE_NULL);
  if (sourcePad) gst_object_unref(sourcePad);
  gst_object_unref(aspectSink);
  gst_buffer_pool_set_active(pool, FALSE);
  gst_object_unref(pool);
  gst_caps_unref(caps);
  gst_object_unref(aspect);
  gst_object_unref(pipeline);
  Finish(state, bytes);
}

// GStreamer's rows handed to the pass where they are (FrameRows at their
// stride), or copied into a packed bottom-up frame and back.
void GstRows(benchmark::State& state, FrameSize size, PixelLayout layout, Mode mode, bool copied) {
  const int32_t stride = GstStride(size, layout);
  const size_t rowBytes = size_t(size.width) * BytesPerPixel(layout.format);
  FrameSet frames(size_t(stride) * size.height, false);
  FrameSet packed(static_cast<size_t>(FrameBytes(layout.format, size.width, size.height)), false);
  PluginState plugin;
  plugin.Start(StreamFormat{size.width, size.height, 0, HostCodeOf(layout.format), 0}, nullptr);
  uint8_t* const gstFrame = frames.frame(0);
  uint8_t* const hostFrame = packed.frame(0);
  const bool bottomUp = layout.format == PixelFormat::kRgb24;
  auto hostRow = [&](int32_t r) { return hostFrame + rowBytes * (bottomUp ? size.height - 1 - r : r); };
  for (auto _ : state) {
    if (!copied) {
      benchmark::DoNotOptimize(plugin.ProcessFrame(FrameRows{gstFrame, stride, size.width, size.height, layout.format}, InputsFor(size, mode)));
      continue;
    }
    for (int32_t r = 0; r < size.height; ++r) std::memcpy(hostRow(r), gstFrame + size_t(stride) * r, rowBytes);
    benchmark::DoNotOptimize(plugin.ProcessFrame(hostFrame, InputsFor(size, mode)));
    for (int32_t r = 0; r < size.height; ++r) std::memcpy(gstFrame + size_t(stride) * r, hostRow(r), rowBytes);
  }
  Finish(state, frames.bytes());
}

[[maybe_unused]] const bool registered = [] {
  for (const FrameSize& size : kSizes) {
    for (const PixelLayout& layout : kGstLayouts) {
      for (const Mode& mode : kElementModes) {
        RegisterCase(CaseName("FramePassAlone", layout, size, &mode), FramePassAlone, size, layout, mode);
        RegisterCase(CaseName("ElementPushed", layout, size, &mode), ElementInPipeline, size, layout, mode, false);
        RegisterCase(CaseName("ElementAfterAppsrc", layout, size, &mode), ElementInPipeline, size, layout, mode, true)
            ->UseRealTime();
      }
    }
  }
  // BGR rows of 718 pixels: 2154 bytes in a stride of 2156.
  const PixelLayout& bgr = kGstLayouts[1];
  for (const FrameSize& size : {FrameSize{718, 576, 1024, 576}, kSizes[1]}) {
    for (const Mode& mode : kElementModes) {
      for (const bool copied : {false, true}) {
        RegisterCase(CaseName(copied ? "RowsCopied" : "RowsInPlace", bgr, size, &mode), GstRows, size, bgr, mode,
                     copied);
      }
    }
  }
  return true;
}();

}  // namespace
}  // namespace xvf::bench
