// xvf-demo's parts: the circle measurement, what each mode promises, the
// contact sheet and the picture files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "framepass/plugin_state.h"
#include "tools/demo-sheet/bitmap_font.h"
#include "tools/demo-sheet/circle_measure.h"
#include "tools/demo-sheet/contact_sheet.h"
#include "tools/demo-sheet/demo_expectations.h"
#include "tools/demo-sheet/host_run.h"
#include "common/image/bmp_file.h"
#include "common/image/png_file.h"
#include "common/process/run_program.h"
#include "tools/test_card.h"

namespace xvf {
namespace {

void Fill(Picture* picture, int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint8_t grey) {
  for (int32_t y = std::max(0, y0); y < std::min(picture->height, y1); ++y)
    for (int32_t x = std::max(0, x0); x < std::min(picture->width, x1); ++x) {
      uint8_t* p = picture->at(x, y);
      p[0] = p[1] = p[2] = grey;
    }
}

// A card-like picture: grey ground, a 235 bar through the centre line up to
// the ring, and a white ring of even thickness `thickness` (in round units)
// with outer radius `radius`, drawn at horizontal scale sx and vertical scale
// sy around (cx, cy).
Picture RingPicture(int32_t width, int32_t height, double cx, double cy, double radius, double thickness, double sx,
                    double sy) {
  Picture picture(width, height, 96);
  Fill(&picture, static_cast<int32_t>(cx - radius * sx), static_cast<int32_t>(cy - 20),
       static_cast<int32_t>(cx + radius * sx), static_cast<int32_t>(cy + 20), 235);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      const double dx = (x - cx) / sx, dy = (y - cy) / sy;
      const double d = std::sqrt(dx * dx + dy * dy);
      if (d <= radius && d >= radius - thickness) Fill(&picture, x, y, x + 1, y + 1, 255);
    }
  return picture;
}

TEST(CircleMeasure, WholeRingsGiveTheirScaleRatio) {
  const double scales[][2] = {{1.0, 1.0}, {4.0 / 3.0, 1.0}, {0.5, 1.0}, {1.0, 1.25}, {1.2, 0.8}};
  for (const auto& s : scales) {
    SCOPED_TRACE(testing::Message() << "sx " << s[0] << " sy " << s[1]);
    const Picture picture = RingPicture(800, 600, 399.5, 299.5, 200.0, 5.0, s[0], s[1]);
    const CircleMeasure measure = MeasureCircle(picture);
    ASSERT_TRUE(measure.found);
    EXPECT_FALSE(measure.cut);
    EXPECT_NEAR(measure.ratio, s[0] / s[1], 0.01 * s[0] / s[1]);
    EXPECT_NEAR(measure.height, 400.0 * s[1], 2.0);
  }
}

TEST(CircleMeasure, CutRingsAreFittedFromTheVisibleArcs) {
  struct Case {
    int32_t width, height;
    double sx, sy;
  };
  // Outer diameter 500 round units: cut at top and bottom, or at both sides.
  const Case cases[] = {{800, 400, 1.0, 1.0}, {800, 400, 1.25, 1.0}, {300, 700, 1.0, 1.0}, {300, 700, 1.0, 1.2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " sx " << c.sx << " sy " << c.sy);
    const Picture picture =
        RingPicture(c.width, c.height, (c.width - 1) / 2.0, (c.height - 1) / 2.0, 250.0, 6.0, c.sx, c.sy);
    const CircleMeasure measure = MeasureCircle(picture);
    ASSERT_TRUE(measure.found);
    EXPECT_TRUE(measure.cut);
    EXPECT_NEAR(measure.ratio, c.sx / c.sy, 0.015 * c.sx / c.sy);
  }
}

TEST(CircleMeasure, OnlyTheRingCounts) {
  Picture picture(400, 300, 96);
  Fill(&picture, 50, 100, 350, 200, 235);  // the card's white bar
  Fill(&picture, 0, 0, 400, 2, 200);        // grid
  EXPECT_FALSE(MeasureCircle(picture).found);
  Fill(&picture, 10, 10, 14, 14, 255);       // a speck is no circle
  EXPECT_FALSE(MeasureCircle(picture).found);
  EXPECT_FALSE(MeasureCircle(Picture()).found);
}

Picture CardPicture(int32_t width, int32_t height, bool anamorphic) {
  Picture picture(width, height);
  picture.bgr = anamorphic ? MakeAnamorphicCardRgb(width, height) : MakeTestCardRgb(width, height);
  return picture;
}

// The card through the frame pass in process, shown as the host's stretch
// shows it: every mode keeps its promise, and the measurement sees it.
TEST(DemoExpectations, TheFramePassKeepsWhatEachModePromises) {
  const int32_t windows[][2] = {{1024, 576}, {768, 576}, {480, 720}, {800, 480}, {600, 600}, {1920, 800}};
  const int32_t width = 720, height = 576;
  for (int32_t format = 0; format <= 1; ++format)
    for (int32_t mode = 0; mode <= 4; ++mode)
      for (const auto& window : windows) {
        SCOPED_TRACE(testing::Message() << "format " << format << " mode " << mode << " window " << window[0] << "x"
                                        << window[1]);
        const bool anamorphic = mode == 4;
        std::vector<uint8_t> frame =
            RgbToFrame(CardPicture(width, height, anamorphic).bgr, width, height, PixelFormatOf(format));
        PluginState state;
        state.Start(StreamFormat{width, height, 0, format, 0}, [] {});
        FrameInputs inputs;
        inputs.aspectMode = mode;
        inputs.windowFound = true;
        inputs.clientWidth = window[0];
        inputs.clientHeight = window[1];
        EXPECT_EQ(state.ProcessFrame(frame.data(), inputs), ExpectedProcessResult(mode, window[0], window[1]));
        Picture shown(width, height);
        shown.bgr = FrameToRgb(frame.data(), width, height, PixelFormatOf(format));
        const CircleMeasure measure = MeasureCircle(StretchNearest(shown, window[0], window[1]));
        const double expected = ExpectedCircleRatio(mode, width, height, window[0], window[1], anamorphic);
        ASSERT_FALSE(std::isnan(expected));
        ASSERT_TRUE(measure.found);
        EXPECT_NEAR(measure.ratio, expected, 0.02 * expected);
      }
}

TEST(DemoExpectations, PromisesOfTheModes) {
  // 4:3 card: the window's stretch, true 4:3, panorama in between.
  EXPECT_NEAR(ExpectedCircleRatio(0, 720, 576, 1024, 576, false), 4.0 / 3.0, 1e-9);
  EXPECT_NEAR(ExpectedCircleRatio(0, 720, 576, 480, 720, false), 0.5, 1e-9);
  EXPECT_NEAR(ExpectedCircleRatio(1, 720, 576, 480, 720, false), 1.0, 1e-9);
  EXPECT_NEAR(ExpectedCircleRatio(2, 720, 576, 1024, 576, false), 1.0, 1e-9);
  EXPECT_NEAR(ExpectedCircleRatio(3, 720, 576, 768, 576, false), 1.0, 1e-9);
  const double panorama = ExpectedCircleRatio(3, 720, 576, 1024, 576, false);
  EXPECT_GT(panorama, 1.1);
  EXPECT_LT(panorama, 4.0 / 3.0);
  // A 4:3 card in the anamorphic mode shows 16:9 / 4:3 wide; the anamorphic card round.
  EXPECT_NEAR(ExpectedCircleRatio(4, 720, 576, 768, 576, false), 4.0 / 3.0, 1e-9);
  EXPECT_NEAR(ExpectedCircleRatio(4, 720, 576, 480, 720, true), 1.0, 1e-9);
  EXPECT_TRUE(std::isnan(ExpectedCircleRatio(5, 720, 576, 1024, 576, false)));
  EXPECT_TRUE(std::isnan(ExpectedCircleRatio(1, 720, 576, 0, 576, false)));
  // The 4:3 band is open at both ends.
  EXPECT_EQ(ExpectedProcessResult(1, 660, 500), 1);
  EXPECT_EQ(ExpectedProcessResult(1, 768, 576), 0);
  EXPECT_EQ(ExpectedProcessResult(4, 768, 576), 1);
  EXPECT_EQ(ExpectedProcessResult(0, 1024, 576), 0);
  EXPECT_EQ(AnamorphicCardColumns(720), 540);
  EXPECT_EQ(AnamorphicCardColumns(722), 540);
}

std::vector<std::vector<SheetCell>> SyntheticGrid() {
  const int32_t sizes[3][2] = {{60, 34}, {45, 34}, {20, 40}};
  std::vector<std::vector<SheetCell>> grid(2);
  for (int32_t r = 0; r < 2; ++r)
    for (int32_t c = 0; c < 3; ++c) {
      SheetCell cell;
      cell.picture = Picture(sizes[c][0], sizes[c][1], static_cast<uint8_t>(100 + 10 * (3 * r + c)));
      cell.label = {"MODE " + std::to_string(r), c == 2 ? "A LABEL WIDER THAN ITS PICTURE" : "W"};
      cell.flagged = r == 1 && c == 1;
      grid[r].push_back(cell);
    }
  return grid;
}

TEST(ContactSheet, CellsStayApartAndInsideTheSheet) {
  const auto grid = SyntheticGrid();
  const std::vector<std::string> title{"TITLE", "second line"};
  const SheetLayout layout = LayoutSheet(title, grid);
  ASSERT_EQ(layout.columnX.size(), 3u);
  ASSERT_EQ(layout.rowY.size(), 2u);
  EXPECT_EQ(layout.labelHeight, 2 * kLabelLinePitch + 2);
  for (size_t c = 0; c < 3; ++c) {
    EXPECT_GE(layout.columnWidth[c], grid[0][c].picture.width + 2);
    if (c > 0) {
      EXPECT_GE(layout.columnX[c], layout.columnX[c - 1] + layout.columnWidth[c - 1] + kSheetGap);
    }
  }
  EXPECT_EQ(layout.columnWidth[2], TextWidth("A LABEL WIDER THAN ITS PICTURE", 1));
  EXPECT_EQ(layout.rowHeight[0], layout.labelHeight + 42);  // tallest picture 40 + frame
  EXPECT_GE(layout.rowY[1], layout.rowY[0] + layout.rowHeight[0] + kSheetGap);
  EXPECT_GE(layout.rowY[0], kSheetMargin + kGlyphHeight * kTitleScale + kLabelLinePitch);
  EXPECT_EQ(layout.width, layout.columnX[2] + layout.columnWidth[2] + kSheetMargin);
  EXPECT_EQ(layout.height, layout.rowY[1] + layout.rowHeight[1] + kSheetMargin);

  const Picture sheet = ComposeSheet(title, grid);
  ASSERT_EQ(sheet.width, layout.width);
  ASSERT_EQ(sheet.height, layout.height);
  for (size_t r = 0; r < 2; ++r)
    for (size_t c = 0; c < 3; ++c) {
      SCOPED_TRACE(testing::Message() << "cell " << r << "," << c);
      const Picture& picture = grid[r][c].picture;
      const int32_t x = layout.PictureX(c), y = layout.PictureY(r);
      // Every corner of the picture lands where the layout says, framed.
      for (int32_t dy : {0, picture.height - 1})
        for (int32_t dx : {0, picture.width - 1}) EXPECT_EQ(sheet.at(x + dx, y + dy)[1], picture.bgr[1]);
      EXPECT_EQ(sheet.at(x - 1, y - 1)[0], 128);
      EXPECT_EQ(sheet.at(x + picture.width, y + picture.height)[0], 128);
      EXPECT_EQ(sheet.at(x + picture.width + 1, y + picture.height / 2)[0], 40);
      // The label's first line is drawn in the label band above the picture.
      int32_t ink = 0;
      for (int32_t ly = layout.rowY[r]; ly < layout.rowY[r] + kGlyphHeight; ++ly)
        for (int32_t lx = layout.columnX[c]; lx < layout.columnX[c] + TextWidth("MODE 0", 1); ++lx)
          ink += sheet.at(lx, ly)[1] == 230 || sheet.at(lx, ly)[2] == 255 ? 1 : 0;
      EXPECT_GT(ink, 20);
    }
  // A flagged cell's label is red.
  bool red = false;
  for (int32_t ly = layout.rowY[1]; ly < layout.rowY[1] + kGlyphHeight; ++ly)
    for (int32_t lx = layout.columnX[1]; lx < layout.columnX[1] + 30; ++lx)
      red = red || (sheet.at(lx, ly)[2] == 255 && sheet.at(lx, ly)[1] == 80);
  EXPECT_TRUE(red);
}

TEST(BitmapFont, EveryLabelCharacterHasAGlyph) {
  const uint8_t* missing = GlyphRows('\x01');
  const std::string used = "FIT-WINDOW FIT-WIDTH FIT-HEIGHT PANORAMA ANAMORPHIC 0123456789x:.*=()/,%+_ W:H WANT";
  for (char c : used) EXPECT_NE(GlyphRows(c), missing) << c;
  EXPECT_EQ(GlyphRows('a'), GlyphRows('A'));
  EXPECT_NE(GlyphRows('x'), GlyphRows('X'));
  EXPECT_EQ(TextWidth("", 1), 0);
  EXPECT_EQ(TextWidth("AB", 2), 22);
  // Text over the edge is clipped, not written outside.
  Picture small(8, 8, 0);
  const uint8_t white[3] = {255, 255, 255};
  DrawText(&small, -3, 4, "WW", 2, white);
  EXPECT_EQ(small.bgr.size(), 8u * 8u * 3u);
}

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::vector<uint8_t> bytes;
  FILE* in = std::fopen(path.c_str(), "rb");
  if (!in) return bytes;
  for (int c; (c = std::fgetc(in)) != EOF;) bytes.push_back(static_cast<uint8_t>(c));
  std::fclose(in);
  return bytes;
}

TEST(PictureFiles, BmpRoundTripWithPaddedRows) {
  const std::string path = testing::TempDir() + "demo_sheet_test.bmp";
  Picture picture(5, 3);
  for (size_t i = 0; i < picture.bgr.size(); ++i) picture.bgr[i] = static_cast<uint8_t>(i * 7);
  ASSERT_TRUE(WriteBmp(path, picture));
  std::string error;
  const Picture back = ReadBmp(path, &error);
  EXPECT_EQ(back.width, 5);
  EXPECT_EQ(back.height, 3);
  EXPECT_EQ(back.bgr, picture.bgr);
  // A cut-off file is refused, not read past its end.
  std::vector<uint8_t> bytes = ReadAll(path);
  bytes.resize(bytes.size() - 4);
  FILE* out = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), out);
  std::fclose(out);
  EXPECT_TRUE(ReadBmp(path, &error).empty());
  EXPECT_NE(error.find("truncated"), std::string::npos);
  EXPECT_TRUE(ReadBmp(path + ".none", &error).empty());
  std::remove(path.c_str());
}

// Compressed by libpng, read back by libpng: the channels keep their order.
TEST(PictureFiles, PngRoundTripIsCompressed) {
  const std::string path = testing::TempDir() + "demo_sheet_test.png";
  Picture picture(300, 200, 96);
  for (int32_t x = 0; x < 3; ++x) picture.at(x, 1)[x] = 255;
  ASSERT_TRUE(WritePng(path, picture));
  EXPECT_LT(ReadAll(path).size(), picture.bgr.size() / 20);
  std::string error;
  const Picture back = ReadPng(path, &error);
  EXPECT_EQ(back.width, 300);
  EXPECT_EQ(back.height, 200);
  EXPECT_TRUE(back.bgr == picture.bgr) << error;
  EXPECT_FALSE(WritePng(testing::TempDir() + "no/such/dir.png", picture));
  std::remove(path.c_str());
}

TEST(PictureFiles, ShrinkAndStretch) {
  Picture picture(7, 4, 0);
  Fill(&picture, 0, 0, 1, 1, 90);  // one of the nine pixels of block (0, 0)
  const Picture small = ShrinkBy(picture, 3);
  EXPECT_EQ(small.width, 2);
  EXPECT_EQ(small.height, 1);
  EXPECT_EQ(small.at(0, 0)[0], 10);
  EXPECT_EQ(small.at(1, 0)[0], 0);
  Picture two(2, 1, 0);
  Fill(&two, 1, 0, 2, 1, 200);
  const Picture wide = StretchNearest(two, 5, 2);
  const uint8_t expected[5] = {0, 0, 200, 200, 200};  // centres at 0.2, 0.6, 1.0, 1.4, 1.8 source columns
  for (int32_t x = 0; x < 5; ++x) EXPECT_EQ(wide.at(x, 1)[0], expected[x]) << x;
}

TEST(HostRun, ReportLinesAndWinePaths) {
  const std::string report = "version=3\r\nstart=1\nresults=1 0\n";
  EXPECT_EQ(ReportValue(report, "version"), "3");
  EXPECT_EQ(ReportValue(report, "results"), "1 0");
  EXPECT_EQ(ReportValue(report, "result"), "");
  EXPECT_EQ(WinePath("/tmp/a/../b.bmp"), "Z:\\tmp\\b.bmp");
  const ProgramRun run = RunProgram({"sh", "-c", "echo out; echo err >&2; exit 3"});
  EXPECT_TRUE(run.started);
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_EQ(run.out, "out\n");
  EXPECT_EQ(run.err, "err\n");
  EXPECT_FALSE(RunProgram({"/nonexistent/program"}).started);
}

}  // namespace
}  // namespace xvf
