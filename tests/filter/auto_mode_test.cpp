// The built xvf-aspect program in auto mode: a mode per programme, chosen
// from made-up scenes and from what a YUV4MPEG2 header declares.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "tests/filter/filter_test_support.h"
#include "tools/test_card.h"

namespace xvf {
namespace {

using namespace filter_test;

// Auto mode's scenes, as luma (limited range, black 16) over a 4:3 frame.
enum Scene { kCard, kWide, kWide149, kSubtitles, kLogo, kNoise, kFade, kFadeCard, kDarkWide, kDarkCard, kGrey, kStage };

std::string SceneFrame(Scene scene, const Stream& s, const std::vector<uint8_t>& card, int k) {
  const int32_t w = s.w, h = s.h;
  const bool full = scene == kCard || scene == kFadeCard || scene == kDarkCard || scene == kStage;
  const int32_t rows = full ? h : scene == kWide149 ? h * 6 / 7 : h * 3 / 4;
  const int32_t top = (h - rows) / 2, below = top + rows;
  std::vector<uint8_t> grey(static_cast<size_t>(w) * h * 3);
  std::string yuy2;
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      const uint8_t* c = &card[(static_cast<size_t>((y - top) * h / rows) * w + x) * 3];
      int v = 16;
      if (y >= top && y < below) v = 16 + ((25 * c[0] + 129 * c[1] + 66 * c[2] + 128) >> 8);
      else if (scene == kSubtitles && y > below + 6 && y < below + 26 && x > w / 5 && x < w * 4 / 5 && x / 2 % 3) v = 235;
      else if (scene == kNoise) v = 10 + (x * 7 + y * 13 + k * 5) % 13;
      if (scene == kLogo && y > 6 && y < top + 10 && x > w * 8 / 10 && x < w * 9 / 10) v = 200;  // into the picture
      if (scene == kGrey) v = 120 + (x * 7 + y * 13 + k * 5) % 9;
      if (scene == kFade || scene == kFadeCard) v = 16 + (v - 16) * std::max(0, std::abs(k - 30) - 10) / 20;  // black for k 20..40
      if (scene == kDarkWide || scene == kDarkCard) v = 16 + (v - 16) / 10;
      if (scene == kStage && (y < h / 3 || y >= h * 2 / 3)) v = 16;
      if (scene == kDarkCard && (y < h * 3 / 20 || y >= h * 17 / 20)) v = 16;
      if (scene == kDarkCard && y >= h * 2 / 5 && y < h * 3 / 5 && x >= w * 2 / 5 && x < w * 3 / 5) v = 200;  // a moon
      yuy2 += {static_cast<char>(v), '\x80'};
      std::fill_n(&grey[(static_cast<size_t>(y) * w + x) * 3], 3, static_cast<uint8_t>((v - 16) * 255 / 219));
    }
  if (s.format == 0) return yuy2;
  const std::vector<uint8_t> frame = RgbToFrame(grey, w, h, PixelFormat::kRgb24);
  return std::string(frame.begin(), frame.end());
}

// Each frame's mode from the geometry, the first and each change on standard
// error, and the frames byte for byte the pass in that mode.
TEST(XvfAspectBinary, AutoModeChoosesPerProgramme) {
  struct Change {
    long long mode, first, last;  // the frame of the change lies in first..last
  };
  struct Case {
    const char* name;
    int32_t format;
    std::string y4m;  // header parameters; empty: raw frames
    std::vector<std::string> extra;
    std::vector<std::pair<Scene, int>> scenes;
    long long initial;
    std::vector<Change> changes;
    std::string says;       // the report lines, in full
    int noted = 0;          // report lines for a new reason in the same mode
    int32_t w = 360, h = 288;
  };
  const Change kWideAfterOneSecond{1, 24, 25};
  const std::string kStart = "frame 0 (0:00.00): start, panorama\n";
  const std::string kWideAt25 = "frame 25 (0:01.00): letterbox 16:9 from frame 1 (0:00.04), fit-width\n";
  const std::string kTextKept =
      "frame 26 (0:01.04): letterbox 16:9 with text in the lower band, kept in view from frame 2 (0:00.08), panorama\n";
  const std::string kDeclared = "frame 0 (0:00.00): declared 16:9, anamorphic\n";
  const std::vector<Case> cases = {
      {"4:3 card", 0, "", {}, {{kCard, 40}}, 3, {}, kStart},
      {"16:9 letterbox", 0, "", {}, {{kWide, 40}}, 3, {kWideAfterOneSecond}, kStart + kWideAt25},
      {"14:9 letterbox", 0, "", {}, {{kWide149, 40}}, 3, {kWideAfterOneSecond},
       kStart + "frame 25 (0:01.00): letterbox 14:9 from frame 1 (0:00.04), fit-width\n"},
      {"subtitles in the lower band", 0, "", {}, {{kSubtitles, 40}}, 3, {},
       kStart + kTextKept, 1},
      {"subtitles cropped", 0, "", {"--auto-subtitles", "crop"}, {{kSubtitles, 40}}, 3, {kWideAfterOneSecond},
       kStart + kWideAt25},
      {"logo in the upper band", 0, "", {}, {{kLogo, 40}}, 3, {kWideAfterOneSecond}, kStart + kWideAt25},
      {"noise in the bands", 0, "", {}, {{kNoise, 40}}, 3, {kWideAfterOneSecond}, kStart + kWideAt25},
      {"fade to black and back", 0, "", {}, {{kWide, 30}, {kFade, 61}, {kWide, 20}}, 3, {kWideAfterOneSecond},
       kStart + kWideAt25},
      {"black between 4:3 programmes", 0, "", {}, {{kCard, 20}, {kFadeCard, 61}, {kCard, 10}}, 3, {}, kStart},
      {"dark scene in a film", 0, "", {}, {{kWide, 30}, {kDarkWide, 40}, {kWide, 10}}, 3, {kWideAfterOneSecond},
       kStart + kWideAt25},
      {"grey screen in a film", 0, "", {}, {{kWide, 30}, {kGrey, 40}, {kWide, 10}}, 3, {kWideAfterOneSecond},
       kStart + kWideAt25},
      {"dark 4:3 scene", 0, "", {}, {{kCard, 20}, {kDarkCard, 40}, {kCard, 10}}, 3, {}, kStart},
      {"stage lit in its middle third", 0, "", {}, {{kStage, 40}}, 3, {}, kStart},
      {"cut to 4:3", 0, "", {}, {{kWide, 30}, {kCard, 45}}, 3, {kWideAfterOneSecond, {3, 30, 30 + 37}},
       kStart + kWideAt25 + "frame 54 (0:02.16): full picture from frame 30 (0:01.20), panorama\n"},
      {"bgr letterbox", 1, "", {}, {{kWide, 30}}, 3, {kWideAfterOneSecond}, kStart + kWideAt25},
      {"bgr subtitles in the lower band", 1, "", {}, {{kSubtitles, 40}}, 3, {},
       kStart + kTextKept, 1},
      {"fallback", 0, "", {"--auto-fallback", "fit-height"}, {{kCard, 10}}, 2, {},
       "frame 0 (0:00.00): start, fit-height\n"},
      {"declared 16:9", 0, "A64:45", {}, {{kCard, 30}}, 4, {}, kDeclared},
      {"SD 16:9 over its 704 active pixels", 0, "A16:11", {}, {{kCard, 3}}, 4, {}, kDeclared, 0, 720, 576},
      {"declared 4:3 at 10 fps", 0, "A16:15 F10:1", {}, {{kWide, 20}}, 3, {{1, 9, 10}},
       kStart + "frame 10 (0:01.00): letterbox 16:9 from frame 1 (0:00.10), fit-width\n"},
      {"raw 16:9 by --sar", 0, "", {"--sar", "64:45"}, {{kCard, 10}}, 4, {}, kDeclared},
      {"14:9 in square pixels", 0, "", {"--sar", "1:1"}, {{kWide149, 40}}, 3, {}, kStart},
  };
  const std::string geometryFile = ::testing::TempDir() + "xvf_auto.json";
  for (const Case& c : cases) {
    const Stream s{c.w, c.h, c.format};
    const std::vector<uint8_t> card = MakeTestCardRgb(s.w, s.h);
    std::string raw, y4m;
    const size_t yuy2Bytes = static_cast<size_t>(FrameBytes(PixelFormat::kYuy2, s.w, s.h));
    for (const auto& [scene, count] : c.scenes)
      for (int k = 0; k < count; ++k) {
        raw += SceneFrame(scene, s, card, k);
        if (!c.y4m.empty()) y4m += "FRAME\n" + ToPlanes(raw.substr(raw.size() - yuy2Bytes), s, "422");
      }
    std::vector<std::string> args = {"--window", "1024x576", "--mode", "auto", "--geometry=" + geometryFile};
    if (c.y4m.empty()) args = Args(s, 0, 1024, 576, {"--geometry=" + geometryFile}), args[7] = "auto";
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    const std::string header =
        "YUV4MPEG2 W" + std::to_string(c.w) + " H" + std::to_string(c.h) + " C422 " + c.y4m + "\n";
    const ProgramRun run = RunTool(args, c.y4m.empty() ? raw : header + y4m);
    ASSERT_EQ(0, run.exitCode) << c.name << ": " << run.err;

    std::vector<long long> modes;
    for (const GeometryLine& line : ParseGeometry(ReadFile(geometryFile))) modes.push_back(line.mode);
    ASSERT_EQ(raw.size() / FrameBytes(PixelFormatOf(s.format), s.w, s.h), modes.size()) << c.name;
    EXPECT_EQ(c.initial, modes[0]) << c.name;
    // The first choice, then one line per change, each where the mode changes.
    EXPECT_EQ(0u, run.err.find("frame 0 (0:00.00): ")) << c.name << ": " << run.err;
    size_t next = 0, lines = 0;
    for (size_t at = 0; (at = run.err.find("frame ", at)) != std::string::npos; at = run.err.find('\n', at)) ++lines;
    for (size_t i = 1; i < modes.size(); ++i) {
      if (modes[i] == modes[i - 1]) continue;
      EXPECT_NE(std::string::npos, run.err.find("\nframe " + std::to_string(i) + " (")) << c.name << ": " << run.err;
      const bool expected = next < c.changes.size() && modes[i] == c.changes[next].mode &&
                            static_cast<long long>(i) >= c.changes[next].first &&
                            static_cast<long long>(i) <= c.changes[next].last;
      EXPECT_TRUE(expected) << c.name << ": frame " << i << " changes to mode " << modes[i];
      ++next;
    }
    EXPECT_EQ(c.changes.size(), next) << c.name;
    EXPECT_EQ(1 + next + c.noted, lines) << c.name << ": " << run.err;
    EXPECT_EQ(c.says, run.err.substr(0, run.err.rfind('\n', run.err.size() - 2) + 1)) << c.name;
    const std::string counted = " fps, mode auto (" + std::to_string(next) + (next == 1 ? " change)" : " changes)");
    EXPECT_NE(std::string::npos, run.err.find(counted)) << c.name << ": " << run.err;

    const std::string expected = Reference(raw, s, 0, 0, 1024, 576, nullptr, modes);
    if (c.y4m.empty()) {
      EXPECT_TRUE(run.out == expected) << c.name;
    } else {
      std::string planes;
      for (const std::string& frame : Split(expected, yuy2Bytes)) planes += "FRAME\n" + ToPlanes(frame, s, "422");
      EXPECT_TRUE(run.out.substr(run.out.find('\n') + 1) == planes) << c.name;
    }
  }
  std::remove(geometryFile.c_str());
}

}  // namespace
}  // namespace xvf
