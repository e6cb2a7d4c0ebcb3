// The built xvf-aspect program's --geometry lines and --preview picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "tests/filter/filter_test_support.h"
#include "common/image/png_file.h"

namespace xvf {
namespace {

using namespace filter_test;

TEST(XvfAspectBinary, GeometryLinesMatchTheDocumentedExamples) {
  const Stream s{720, 576, 0};
  const std::string input = Frames(s, 3);
  struct Case {
    int32_t mode, cw, ch, result;
    std::vector<long long> src, dst;  // empty: null
  };
  const std::vector<Case> cases = {
      {1, 1024, 576, 1, {0, 72, 720, 504}, {0, 0, 720, 576}},
      {2, 1024, 576, 1, {0, 0, 720, 576}, {90, 0, 630, 576}},
      {4, 1024, 576, 1, {0, 0, 720, 576}, {0, 0, 720, 576}},
      {1, 800, 480, 1, {0, 57, 720, 518}, {0, 0, 720, 576}},
      {4, 800, 480, 1, {0, 0, 720, 576}, {0, 18, 720, 557}},
      {2, 600, 600, 1, {90, 0, 630, 576}, {0, 0, 720, 576}},
      {3, 1024, 576, 1, {0, 0, 720, 576}, {0, 0, 720, 576}},
      {1, 768, 576, 0, {0, 0, 720, 576}, {0, 0, 720, 576}},  // within the 4:3 band: computed, then left alone
      {4, 640, 480, 1, {0, 0, 720, 576}, {0, 72, 720, 504}},
      {0, 1024, 576, 0, {}, {}},  // mode 0 stops before any rectangle
  };
  for (const Case& c : cases) {
    const ProgramRun run = RunTool(Args(s, c.mode, c.cw, c.ch, {"--geometry"}), input);
    ASSERT_EQ(0, run.exitCode) << run.err;
    std::vector<int32_t> results;
    EXPECT_TRUE(run.out == Reference(input, s, c.mode, 0, c.cw, c.ch, &results));
    const std::vector<GeometryLine> lines = ParseGeometry(run.err);
    ASSERT_EQ(3u, lines.size()) << run.err;
    for (size_t i = 0; i < lines.size(); ++i) {
      EXPECT_EQ(static_cast<long long>(i), lines[i].frame);
      EXPECT_EQ(c.result, lines[i].result) << run.err;
      EXPECT_EQ(results[i], lines[i].result);
      EXPECT_EQ(!c.src.empty(), lines[i].haveRects) << run.err;
      EXPECT_EQ(c.src, lines[i].src) << "mode " << c.mode << " window " << c.cw << "x" << c.ch;
      EXPECT_EQ(c.dst, lines[i].dst) << "mode " << c.mode << " window " << c.cw << "x" << c.ch;
    }
  }
}

// The reported destination is where the picture went: every other row and
// column of the written frame is black, and none inside it is.
TEST(XvfAspectBinary, GeometryAgreesWithTheBlackBands) {
  for (const Stream& s : {Stream{720, 576, 0}, Stream{333, 250, 1}})
    for (int32_t mode : {1, 2, 4})
      for (int32_t fields = 0; fields < 2; ++fields)
        for (auto win : {std::pair<int32_t, int32_t>{600, 600}, {1024, 576}, {800, 480}, {480, 800}}) {
          std::vector<std::string> extra = {"--geometry"};
          if (fields) extra.push_back("--fields");
          const ProgramRun run = RunTool(Args(s, mode, win.first, win.second, extra), Frames(s, 1));
          ASSERT_EQ(0, run.exitCode) << run.err;
          const std::vector<GeometryLine> lines = ParseGeometry(run.err);
          ASSERT_EQ(1u, lines.size());
          ASSERT_TRUE(lines[0].haveRects);
          long long top = std::max(0LL, lines[0].dst[1]), bottom = std::min<long long>(s.h, lines[0].dst[3]);
          if (fields) top &= ~1LL, bottom &= ~1LL;
          const long long left = std::max(0LL, lines[0].dst[0]), right = std::min<long long>(s.w, lines[0].dst[2]);
          const std::vector<uint8_t> rgb =
              FrameToRgb(reinterpret_cast<const uint8_t*>(run.out.data()), s.w, s.h, PixelFormatOf(s.format));
          auto black = [&](int32_t x, int32_t y) {
            const uint8_t* p = &rgb[(static_cast<size_t>(y) * s.w + x) * 3];
            return p[0] == 0 && p[1] == 0 && p[2] == 0;
          };
          int wrong = 0;
          for (int32_t y = 0; y < s.h; ++y)
            for (int32_t x = 0; x < s.w; ++x) {
              const bool inside = y >= top && y < bottom && x >= left && x < right;
              // Inside, the card's grey and bars are never pure black.
              if (inside == black(x, y)) ++wrong;
            }
          EXPECT_EQ(0, wrong) << "format " << s.format << " mode " << mode << " fields " << fields << " window "
                              << win.first << "x" << win.second << ": " << run.err;
        }
}

TEST(XvfAspectBinary, PreviewShowsTheFirstFrameStretchedToTheWindow) {
  const std::string path = ::testing::TempDir() + "xvf_preview.png";
  // YUY2, uniform grey 200 then grey 50; fit-height at 1024x576 puts the
  // picture in columns 90..629 of 720, so 128..895 of 1024 on screen.
  const Stream s{720, 576, 0};
  std::string frames;
  for (uint8_t luma : {200, 50})
    for (int32_t i = 0; i < s.w * s.h / 2; ++i) frames += std::string{char(luma), char(128), char(luma), char(128)};
  std::remove(path.c_str());
  ProgramRun run = RunTool(Args(s, 2, 1024, 576, {"--preview", path}), frames);
  ASSERT_EQ(0, run.exitCode) << run.err;
  std::string error;
  Picture png = ReadPng(path, &error);
  ASSERT_FALSE(png.empty()) << error;
  EXPECT_EQ(1024, png.width);
  EXPECT_EQ(576, png.height);
  EXPECT_LT(ReadFile(path).size(), 20000u);  // compressed
  for (int32_t y : {0, 300, 575})
    for (int32_t x : {0, 127, 128, 512, 895, 896, 1023}) {
      const uint8_t* p = png.at(x, y);
      const int expected = x >= 128 && x < 896 ? 200 : 0;
      EXPECT_EQ(expected, p[0]) << x << "," << y;
      EXPECT_EQ(expected, p[1]) << x << "," << y;
      EXPECT_EQ(expected, p[2]) << x << "," << y;
    }

  // RGB24 rows are bottom-up: the last row in memory is the top of the
  // picture. Channels come out R, G, B; the frame is stretched to 50x30.
  const Stream rgb{4, 3, 1};
  std::string frame;
  for (int32_t row = 0; row < 3; ++row)
    for (int32_t x = 0; x < 4; ++x) frame += row == 2 ? std::string{10, 20, 30} : std::string{1, 2, 3};
  run = RunTool(Args(rgb, 0, 50, 30, {"--preview", path}), frame);
  ASSERT_EQ(0, run.exitCode) << run.err;
  png = ReadPng(path, &error);
  ASSERT_FALSE(png.empty()) << error;
  ASSERT_EQ(50, png.width);
  ASSERT_EQ(30, png.height);
  for (int32_t y = 0; y < 30; ++y) {
    const uint8_t* p = png.at(49, y);
    const std::vector<int> got{p[2], p[1], p[0]};
    EXPECT_EQ(y < 10 ? std::vector<int>({30, 20, 10}) : std::vector<int>({3, 2, 1}), got) << "row " << y;
  }
  std::remove(path.c_str());


  // An unwritable preview stops the run before the frame is written.
  run = RunTool(Args(rgb, 0, 50, 30, {"--preview", ::testing::TempDir() + "no/such/dir/p.png"}), frame);
  EXPECT_EQ(1, run.exitCode);
  EXPECT_NE(std::string::npos, run.err.find("cannot write the preview")) << run.err;
  EXPECT_EQ("", run.out);
}

}  // namespace
}  // namespace xvf
