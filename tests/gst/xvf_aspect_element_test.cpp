// The xvfaspect element in a GstHarness: its frames against the frame pass
// on packed frames as xvf-aspect runs it, its caps and its properties. Run
// once per CPU level (XVF_CPU).
#include <gst/check/gstharness.h>
#include <gst/video/video.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "common/process/run_program.h"
#include "framepass/plugin_state.h"
#include "tests/support/noise_frame.h"
#include "tests/support/scene_frame.h"

// Under the sanitizers too a failed allocation returns null.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }
extern "C" const char* __tsan_default_options() { return "allocator_may_return_null=1"; }

namespace {

constexpr uint8_t kPadding = 0xA5;

struct Stream {
  const char* format;  // YUY2 or BGR
  int32_t width, height;
  const char* interlace;
  const char* fields;  // the property
  bool byFields;       // what the frame pass must be told
  int32_t stride;      // 0: GStreamer's own (4-byte rows), no video meta
};

void PrintTo(const Stream& s, std::ostream* out) {
  *out << s.format << " " << s.width << "x" << s.height << " " << s.interlace << " fields=" << s.fields;
}

GstHarness* NewHarness(const std::string& caps) {
  static const bool loaded = (gst_init(nullptr, nullptr), gst_plugin_load_file(XVF_GST_PLUGIN, nullptr) != nullptr);
  EXPECT_TRUE(loaded);
  GstHarness* h = gst_harness_new("xvfaspect");
  gst_harness_set_src_caps_str(h, caps.c_str());
  return h;
}

std::string CapsOf(const Stream& s) {
  return std::string("video/x-raw,framerate=25/1,format=") + s.format + ",width=" + std::to_string(s.width) +
         ",height=" + std::to_string(s.height) + ",interlace-mode=" + s.interlace;
}

int32_t RowBytes(const Stream& s) { return s.width * (s.format[0] == 'B' ? 3 : 2); }
int32_t StrideOf(const Stream& s) { return s.stride ? s.stride : (RowBytes(s) + 3) & ~3; }

// Packed rows laid out at the stream's stride, the rest padding.
GstBuffer* StridedBuffer(const Stream& s, const std::vector<uint8_t>& packed) {
  const int32_t rowBytes = RowBytes(s), stride = StrideOf(s);
  GstBuffer* buffer = gst_buffer_new_allocate(nullptr, size_t(stride) * s.height, nullptr);
  GstMapInfo map;
  gst_buffer_map(buffer, &map, GST_MAP_WRITE);
  std::memset(map.data, kPadding, map.size);
  for (int32_t r = 0; r < s.height; ++r) std::memcpy(map.data + r * stride, &packed[r * rowBytes], rowBytes);
  gst_buffer_unmap(buffer, &map);
  gsize offsets[GST_VIDEO_MAX_PLANES] = {0};
  gint strides[GST_VIDEO_MAX_PLANES] = {stride};
  if (s.stride)
    gst_buffer_add_video_meta_full(buffer, GST_VIDEO_FRAME_FLAG_NONE, gst_video_format_from_string(s.format),
                                   s.width, s.height, 1, offsets, strides);
  return buffer;
}

// The rows of `buffer`, packed; the padding must be untouched.
std::vector<uint8_t> PackedRows(const Stream& s, GstBuffer* buffer) {
  const int32_t rowBytes = RowBytes(s), stride = StrideOf(s);
  std::vector<uint8_t> packed(size_t(rowBytes) * s.height);
  GstMapInfo map;
  gst_buffer_map(buffer, &map, GST_MAP_READ);
  for (int32_t r = 0; r < s.height; ++r) {
    std::memcpy(&packed[r * rowBytes], map.data + r * stride, rowBytes);
    const uint8_t* pad = map.data + r * stride + rowBytes;
    EXPECT_TRUE(std::all_of(pad, pad + stride - rowBytes, [](uint8_t b) { return b == kPadding; })) << "row " << r;
  }
  gst_buffer_unmap(buffer, &map);
  return packed;
}

// The frame pass as xvf-aspect runs it: BGR rows turned bottom-up and back.
std::vector<uint8_t> FilterBytes(const Stream& s, std::vector<uint8_t> frame, int32_t mode, int32_t cw, int32_t ch) {
  const bool bgr = s.format[0] == 'B';
  const size_t rowBytes = RowBytes(s);
  auto flip = [&] {
    for (int32_t top = 0, bottom = s.height - 1; top < bottom; ++top, --bottom)
      std::swap_ranges(&frame[top * rowBytes], &frame[(top + 1) * rowBytes], &frame[bottom * rowBytes]);
  };
  xvf::PluginState state;
  state.Start(xvf::StreamFormat{s.width, s.height, 0, bgr ? 1 : 0, 0}, nullptr);
  if (bgr) flip();
  state.ProcessFrame(frame.data(), xvf::FrameInputs{mode, s.byFields ? 1 : 0, true, cw, ch});
  if (bgr) flip();
  return frame;
}

class ElementFrames : public testing::TestWithParam<Stream> {};

// Every mode in three windows, the properties changed between buffers: each
// frame as the filter makes it, the output aspect the window's stretch.
TEST_P(ElementFrames, MatchTheFilterInEveryModeAndWindow) {
  const Stream& s = GetParam();
  GstHarness* h = NewHarness(CapsOf(s));
  gst_util_set_object_arg(G_OBJECT(h->element), "fields", s.fields);
  const char* modes[] = {"fit-window", "fit-width", "fit-height", "panorama", "anamorphic"};
  const struct { int32_t cw, ch; } windows[] = {{1024, 576}, {800, 600}, {600, 800}};
  uint32_t seed = 1;
  for (const auto& w : windows) {
    const std::string window = std::to_string(w.cw) + "x" + std::to_string(w.ch);
    g_object_set(h->element, "window", window.c_str(), nullptr);
    for (int32_t mode = 0; mode < 5; ++mode) {
      gst_util_set_object_arg(G_OBJECT(h->element), "mode", modes[mode]);
      const auto input = xvf::test::MidGreyNoise(size_t(RowBytes(s)) * s.height, seed++);
      GstBuffer* out = gst_harness_push_and_pull(h, StridedBuffer(s, input));
      ASSERT_NE(out, nullptr);
      EXPECT_EQ(PackedRows(s, out), FilterBytes(s, input, mode, w.cw, w.ch)) << window << " " << modes[mode];
      gst_buffer_unref(out);
      GstCaps* caps = gst_pad_get_current_caps(h->sinkpad);
      gint num = 0, den = 0;
      gst_structure_get_fraction(gst_caps_get_structure(caps, 0), "pixel-aspect-ratio", &num, &den);
      EXPECT_EQ(int64_t{num} * s.width * w.ch, int64_t{den} * s.height * w.cw) << window;  // CW*H : CH*W
      gst_caps_unref(caps);
    }
  }
  gst_harness_teardown(h);
}

INSTANTIATE_TEST_SUITE_P(Streams, ElementFrames,
                         testing::Values(Stream{"YUY2", 720, 576, "progressive", "auto", false, 0},
                                         Stream{"YUY2", 720, 576, "interleaved", "auto", true, 0},
                                         Stream{"YUY2", 704, 480, "interleaved", "off", false, 1421},
                                         Stream{"BGR", 718, 576, "progressive", "auto", false, 0},
                                         Stream{"BGR", 718, 575, "progressive", "on", true, 2161},
                                         Stream{"BGR", 720, 576, "interleaved", "auto", true, 0}));

TEST(ElementProperties, BadWindowsAreRefusedWithAWarningNamingThem) {
  GstHarness* h = NewHarness("video/x-raw,format=YUY2,width=720,height=576");
  GstBus* bus = gst_bus_new();
  gst_element_set_bus(h->element, bus);
  g_object_set(h->element, "window", "800x600", nullptr);
  for (const char* bad : {"abc", "0x576", "1024x0", "1024x", "x576", "-4x3", "2147483648x1", "4x3x2", " 4x3"}) {
    g_object_set(h->element, "window", bad, nullptr);
    gchar* kept = nullptr;
    g_object_get(h->element, "window", &kept, nullptr);
    EXPECT_STREQ(kept, "800x600") << bad;
    g_free(kept);
    GstMessage* warning = gst_bus_pop_filtered(bus, GST_MESSAGE_WARNING);
    ASSERT_NE(warning, nullptr) << bad;
    GError* error = nullptr;
    gst_message_parse_warning(warning, &error, nullptr);
    EXPECT_NE(std::string(error->message).find(std::string("'") + bad + "'"), std::string::npos) << error->message;
    g_error_free(error);
    gst_message_unref(warning);
  }
  gst_element_set_bus(h->element, nullptr);
  gst_object_unref(bus);
  gst_harness_teardown(h);
}

TEST(ElementCaps, StreamsTheFramePassCannotTakeAreNotNegotiated) {
  for (const char* caps : {"format=YUY2,width=719,height=576", "format=I420,width=720,height=576",
                           "format=RGB,width=720,height=576", "format=BGR,width=720,height=576,interlace-mode=mixed",
                           "format=YUY2,width=65536,height=4", "format=YUY2,width=65534,height=65535"}) {
    GstHarness* h = NewHarness(std::string("video/x-raw,framerate=25/1,") + caps);
    EXPECT_EQ(gst_harness_push(h, gst_buffer_new_allocate(nullptr, 64, nullptr)), GST_FLOW_NOT_NEGOTIATED) << caps;
    gst_harness_teardown(h);
  }
}

// A buffer shorter than the caps say, or a video meta whose rows run past
// the buffer or lie less than a row apart (stride 0 too): an error on the
// bus, in a framing mode and in auto.
TEST(ElementBuffers, BuffersWithoutAUsableFrameAreAnErrorOnTheBus) {
  const struct { size_t bytes; int32_t stride; } buffers[] = {{1440 * 575, -1}, {1440 * 575, 1440}, {1440 * 576, 0},
                                                              {1440 * 576, 1438}};  // stride -1: no video meta
  for (const char* mode : {"panorama", "auto"})
    for (const auto& b : buffers) {
      GstHarness* h = NewHarness("video/x-raw,format=YUY2,width=720,height=576");
      gst_util_set_object_arg(G_OBJECT(h->element), "mode", mode);
      GstBus* bus = gst_bus_new();
      gst_element_set_bus(h->element, bus);
      GstBuffer* buffer = gst_buffer_new_allocate(nullptr, b.bytes, nullptr);
      gsize offsets[GST_VIDEO_MAX_PLANES] = {0};
      gint strides[GST_VIDEO_MAX_PLANES] = {b.stride};
      if (b.stride >= 0) gst_buffer_add_video_meta_full(buffer, GST_VIDEO_FRAME_FLAG_NONE, GST_VIDEO_FORMAT_YUY2, 720,
                                                        576, 1, offsets, strides);
      EXPECT_EQ(gst_harness_push(h, buffer), GST_FLOW_ERROR) << mode << " stride " << b.stride;
      GstMessage* error = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR);
      EXPECT_NE(error, nullptr) << mode << " stride " << b.stride;
      if (error) gst_message_unref(error);
      gst_element_set_bus(h->element, nullptr);
      gst_object_unref(bus);
      gst_harness_teardown(h);
    }
}

// A frame the scaler cannot get memory for (a child process with 16 MiB of
// address space to spare; the frame's work buffer is some 50 MiB): an error.
TEST(ElementBuffers, AFrameTheScalerHasNoMemoryForIsAnErrorOnTheBus) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const Stream s{"YUY2", 4096, 3072, "progressive", "auto", false, 0};
  auto child = [&] {
    GstHarness* h = NewHarness(CapsOf(s));
    GstBus* bus = gst_bus_new();
    gst_element_set_bus(h->element, bus);
    GstBuffer* buffer = gst_buffer_new_allocate(nullptr, size_t(RowBytes(s)) * s.height, nullptr);
    long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    const rlimit addressSpace{rlim_t(pages) * sysconf(_SC_PAGESIZE) + (16 << 20), RLIM_INFINITY};
    setrlimit(RLIMIT_AS, &addressSpace);
    const GstFlowReturn flow = gst_harness_push(h, buffer);
    GError* error = nullptr;
    if (GstMessage* m = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR)) gst_message_parse_error(m, &error, nullptr);
    g_printerr("%s: %s\n", gst_flow_get_name(flow), error ? error->message : "no error");
    std::_Exit(flow == GST_FLOW_ERROR ? 0 : 1);
  };
  EXPECT_EXIT(child(), testing::ExitedWithCode(0), "error: no memory to scale a 4096x3072 frame");
}

// Where the pass leaves frames alone the buffer itself goes on, even one
// that is shared (not writable); so does an empty buffer or a gap in every
// mode.
TEST(ElementBuffers, FramesLeftAloneAreNeitherCopiedNorWritten) {
  std::vector<std::pair<std::string, int>> runs = {  // settings, buffer: 0 black, 1 empty, 2 empty gap, 3 gap
      {"fit-window 1024x576", 0}, {"fit-width 800x600", 0}, {"panorama 640x480", 0}, {"auto 640x480", 0}};
  for (const char* mode : {"fit-window", "fit-width", "fit-height", "panorama", "anamorphic", "auto"})
    for (int kind = 1; kind <= 3; ++kind) runs.emplace_back(std::string(mode) + " 1024x576", kind);
  for (const auto& [settings, kind] : runs) {
    GstHarness* h = NewHarness("video/x-raw,format=BGR,width=720,height=576");
    gst_util_set_object_arg(G_OBJECT(h->element), "mode", settings.substr(0, settings.find(' ')).c_str());
    g_object_set(h->element, "window", settings.substr(settings.find(' ') + 1).c_str(), nullptr);
    GstBuffer* in = gst_buffer_new_allocate(nullptr, kind % 3 == 0 ? 720 * 3 * 576 : 0, nullptr);
    gst_buffer_memset(in, 0, 0, 720 * 3 * 576);  // auto reads it
    if (kind >= 2) GST_BUFFER_FLAG_SET(in, GST_BUFFER_FLAG_GAP);
    gst_buffer_ref(in);
    GstBuffer* out = gst_harness_push_and_pull(h, in);
    EXPECT_EQ(out, in) << settings << " buffer " << kind;
    if (out) gst_buffer_unref(out);
    gst_buffer_unref(in);
    gst_harness_teardown(h);
  }
}

// Mode and window flipped from another thread between leaving frames alone and
// not: every shared buffer goes on or is copied, never written, no error.
TEST(ElementBuffers, PropertyChangesFromAnotherThreadNeverWriteASharedBuffer) {
  const Stream s{"YUY2", 64, 48, "progressive", "auto", false, 0};
  GstHarness* h = NewHarness(CapsOf(s));
  GstBuffer* in = StridedBuffer(s, xvf::test::MidGreyNoise(size_t(RowBytes(s)) * s.height, 7));
  const std::vector<uint8_t> before = PackedRows(s, in);
  std::atomic<bool> done{false};
  std::thread changer([&] {
    for (uint32_t i = 0; !done; ++i) {
      gst_util_set_object_arg(G_OBJECT(h->element), "mode", i % 2 ? "panorama" : "fit-window");
      if (i % 8 == 7) g_object_set(h->element, "window", i % 16 < 8 ? "1024x576" : "640x480", nullptr);
    }
  });
  int32_t passed = 0;
  for (; passed < 100000 && gst_harness_push(h, gst_buffer_ref(in)) == GST_FLOW_OK; ++passed)
    gst_buffer_unref(gst_harness_pull(h));
  done = true;
  changer.join();
  EXPECT_EQ(passed, 100000);
  EXPECT_EQ(PackedRows(s, in), before);
  gst_buffer_unref(in);
  gst_harness_teardown(h);
}

// Auto mode over 8 frames at 5/1 (one second is 5 frames), letterboxes then
// flushed and sent one frame more: each frame as the filter makes it in the
// mode expected, that mode in mode-in-use as notified, one
// element message for the first choice of each stream and per change, with
// the frame where the picture that decided began.
TEST(ElementAuto, ChoosesPerFrameFromTheCapsAndThePicture) {
  const struct {
    const char *format, *par;                  // par: the caps' pixel-aspect-ratio from frame parFrom on
    int32_t width, parFrom, changeAt, cw, ch;  // 288 rows; changeAt -1: none
    bool letterbox;                            // a 16:9 picture between black bands
    const char *first, *then, *reason;
  } runs[] = {
      // The band edge counts from the frame after the first, which sets it.
      {"YUY2", "", 360, 0, 5, 1024, 576, true, "panorama", "fit-width", "letterbox 16:9"},
      {"BGR", "", 360, 0, 5, 1024, 576, true, "panorama", "fit-width", "letterbox 16:9"},
      {"BGR", "64/45", 360, 0, -1, 1024, 576, false, "anamorphic", "", ""},
      {"YUY2", "", 512, 0, -1, 1024, 576, false, "panorama", "", ""},  // undeclared is 4:3, not 16:9 at 1/1
      {"YUY2", "64/45", 360, 3, 3, 640, 480, false, "panorama", "anamorphic", "declared 16:9"},  // 4:3 window
  };
  GEnumClass* modes = static_cast<GEnumClass*>(g_type_class_ref(g_type_from_name("GstXvfAspectFixedMode")));
  auto value = [&](const char* nick) { return g_enum_get_value_by_nick(modes, nick)->value; };
  for (const auto& run : runs) {
    const Stream s{run.format, run.width, 288, "progressive", "auto", false, 0};
    SCOPED_TRACE(std::string(run.format) + " par=" + run.par + (run.letterbox ? " letterbox" : ""));
    auto caps = [&](int32_t frame) {
      const std::string par = frame >= run.parFrom && *run.par ? std::string(",pixel-aspect-ratio=") + run.par : "";
      return "video/x-raw,framerate=5/1,height=288,format=" + std::string(run.format) + ",width=" +
             std::to_string(run.width) + par;
    };
    GstHarness* h = NewHarness(caps(0));
    GstBus* bus = gst_bus_new();
    gst_element_set_bus(h->element, bus);
    gst_util_set_object_arg(G_OBJECT(h->element), "mode", "auto");
    g_object_set(h->element, "window", (std::to_string(run.cw) + "x" + std::to_string(run.ch)).c_str(), nullptr);
    gint notified = value("panorama");  // mode-in-use as last notified; before any frame, the fallback
    auto notify = +[](GObject* e, GParamSpec*, gint* mode) { g_object_get(e, "mode-in-use", mode, nullptr); };
    g_signal_connect(h->element, "notify::mode-in-use", G_CALLBACK(notify), &notified);
    for (int32_t frame = 0; frame < 8 + run.letterbox; ++frame) {
      if (frame == run.parFrom && frame > 0) gst_harness_set_src_caps_str(h, caps(frame).c_str());
      if (frame == 8) {  // a new stream: auto starts over
        gst_harness_push_event(h, gst_event_new_flush_start());
        gst_harness_push_event(h, gst_event_new_flush_stop(TRUE));
        GstSegment segment;
        gst_segment_init(&segment, GST_FORMAT_TIME);
        gst_harness_push_event(h, gst_event_new_segment(&segment));
      }
      const char* mode = run.changeAt >= 0 && frame >= run.changeAt && frame < 8 ? run.then : run.first;
      auto input = xvf::test::MidGreyNoise(size_t(RowBytes(s)) * s.height, frame + 1);
      const uint8_t black[2][2] = {{16, 128}, {0, 0}};  // YUY2 Y, U or V; B, G, R
      for (int32_t r = 0; run.letterbox && r < s.height; r += r == 35 ? 217 : 1)  // rows 0-35, 252-287
        for (int32_t x = 0; x < RowBytes(s); ++x) input[r * RowBytes(s) + x] = black[s.format[0] == 'B'][x % 2];
      GstBuffer* out = gst_harness_push_and_pull(h, StridedBuffer(s, input));
      ASSERT_NE(out, nullptr);
      EXPECT_EQ(PackedRows(s, out), FilterBytes(s, input, value(mode), run.cw, run.ch)) << "frame " << frame;
      gst_buffer_unref(out);
      EXPECT_EQ(notified, value(mode)) << "frame " << frame;
    }
    std::string messages;  // "name frame mode reason picture-frame;" each
    while (GstMessage* m = gst_bus_pop_filtered(bus, GST_MESSAGE_ELEMENT)) {
      const GstStructure* st = gst_message_get_structure(m);
      guint64 frame = 0;
      gint mode = -1;
      gst_structure_get_uint64(st, "frame", &frame);
      gst_structure_get_enum(st, "mode", G_TYPE_FROM_CLASS(modes), &mode);
      const char* reason = gst_structure_get_string(st, "reason");
      guint64 since = 0;
      gst_structure_get_uint64(st, "picture-frame", &since);
      messages += std::string(gst_structure_get_name(st)) + " " + std::to_string(frame) + " " + std::to_string(mode) +
                  " " + (reason ? reason : "(none)") + " " + std::to_string(since) + ";";
      gst_message_unref(m);
    }
    const bool declaredAtOnce = run.parFrom == 0 && *run.par;
    std::string expected = "xvfaspect-mode 0 " + std::to_string(value(run.first)) +
                           (declaredAtOnce ? " declared 16:9 0;" : " start 0;");
    if (run.changeAt >= 0)
      expected += "xvfaspect-mode " + std::to_string(run.changeAt) + " " + std::to_string(value(run.then)) + " " +
                  run.reason + " " + std::to_string(run.letterbox ? 1 : run.changeAt) + ";";
    if (run.letterbox) expected += "xvfaspect-mode 0 " + std::to_string(value("panorama")) + " start 0;";
    EXPECT_EQ(messages, expected);
    gst_element_set_bus(h->element, nullptr);
    gst_object_unref(bus);
    gst_harness_teardown(h);
  }
  g_type_class_unref(modes);
}

// The element and xvf-aspect over the same programmes at 25 frames a
// second, in YUY2 and in GStreamer's top-down BGR: the same report lines, so
// the same choices at the same frames for the same reasons.
TEST(ElementAuto, ChoosesAsTheFilterDoes) {
  using namespace xvf::test;
  const struct {
    const char* name;
    std::vector<std::pair<Scene, int32_t>> scenes;
  } programmes[] = {
      {"subtitles in the lower band", {{Letterbox(TextBelow), 40}}},
      {"text in the upper band", {{Letterbox(TextAbove), 40}}},
      {"a logo in the upper band, then 4:3", {{Letterbox(LogoAbove), 30}, {Card, 40}}},
      {"a fade in a film", {{Letterbox(NoisyBand), 30}, {FadedLetterbox, 41}, {Letterbox(NoisyBand), 10}}},
  };
  for (const char* format : {"YUY2", "BGR"})
    for (const auto& programme : programmes) {
      SCOPED_TRACE(std::string(format) + ": " + programme.name);
      const Stream s{format, kSceneWidth, kSceneHeight, "progressive", "auto", false, 0};
      GstHarness* h = NewHarness(CapsOf(s));
      GstBus* bus = gst_bus_new();
      gst_element_set_bus(h->element, bus);
      gst_util_set_object_arg(G_OBJECT(h->element), "mode", "auto");
      std::string raw;
      for (const auto& [scene, count] : programme.scenes)
        for (int32_t k = 0; k < count; ++k) {
          const xvf::PixelFormat pixels = s.format[0] == 'B' ? xvf::PixelFormat::kRgb24 : xvf::PixelFormat::kYuy2;
          const SceneFrame frame = MakeSceneFrame(scene, k, s.width, s.height, pixels, false);
          raw.append(frame.bytes.begin(), frame.bytes.end());
          gst_buffer_unref(gst_harness_push_and_pull(h, StridedBuffer(s, frame.bytes)));
        }
      std::string reports;
      while (GstMessage* m = gst_bus_pop_filtered(bus, GST_MESSAGE_ELEMENT)) {
        reports += gst_structure_get_string(gst_message_get_structure(m), "report") + std::string("\n");
        gst_message_unref(m);
      }
      gst_element_set_bus(h->element, nullptr);
      gst_object_unref(bus);
      gst_harness_teardown(h);

      const xvf::ProgramRun filter =
          xvf::RunProgram({XVF_ASPECT_BINARY, "--size", "360x288", "--format", s.format[0] == 'B' ? "bgr24" : "yuy2",
                           "--window", "1024x576", "--mode", "auto"},
                          raw);
      ASSERT_EQ(filter.exitCode, 0) << filter.err;
      // Its report lines, without the run's summary line.
      EXPECT_EQ(reports, filter.err.substr(0, filter.err.rfind('\n', filter.err.size() - 2) + 1));
      EXPECT_NE(reports.find("frame 0 (0:00.00): start, panorama\n"), std::string::npos) << reports;
    }
}

}  // namespace
