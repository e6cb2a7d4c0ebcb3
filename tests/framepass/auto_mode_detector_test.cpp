// The automatic mode on small hand-made frames: PictureMeasurer's verdict on
// one frame, AutoModeSession's choices and reports over a programme, each in
// YUY2 and BGR laid out top-down and bottom-up.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "framepass/auto_mode_session.h"
#include "framepass/picture_measure.h"
#include "tests/support/scene_frame.h"

namespace xvf {
namespace {

using namespace test;

struct Layout {
  PixelFormat format;
  bool bottomUp;
};
const Layout kLayouts[] = {{PixelFormat::kYuy2, false}, {PixelFormat::kYuy2, true},
                           {PixelFormat::kRgb24, false}, {PixelFormat::kRgb24, true}};
std::string Name(const Layout& l) {
  return std::string(l.format == PixelFormat::kYuy2 ? "YUY2" : "BGR") + (l.bottomUp ? " bottom-up" : " top-down");
}
constexpr int32_t kW = kSceneWidth, kH = kSceneHeight, kBand = kSceneBand;

// Dark noise, up to 60, in the bands of a 16:9 letterbox around a flat
// `between`.
Scene BandsAround(int32_t between) {
  return [between](int32_t x, int32_t y, int32_t k) {
    const bool band = y < kBand || y >= kH - kBand;
    return band ? 16 + Noise(x, y, k, 45) : between;
  };
}

// Frames of scenes in turn; the scene's own frame count restarts at each.
struct Programme {
  std::vector<std::pair<Scene, int32_t>> scenes;
};

TEST(PictureMeasurer, JudgesOneFrameInEveryLayout) {
  struct Case {
    const char* behaviour;
    Scene scene;
    PictureMeasure::Verdict verdict;
    int32_t bands;       // each side's band rows, for a letterbox
    bool textBelow;
  };
  const Case cases[] = {
      {"a clean 16:9 letterbox", Letterbox(BlackBand), PictureMeasure::kLetterbox, kBand, false},
      {"noise in the bands stays band", Letterbox(NoisyBand), PictureMeasure::kLetterbox, kBand, false},
      {"a logo in the upper band stays band", Letterbox(LogoAbove), PictureMeasure::kLetterbox, kBand, false},
      {"text in the lower band is read", Letterbox(TextBelow), PictureMeasure::kLetterbox, kBand, true},
      {"text in the upper band is no subtitle", Letterbox(TextAbove), PictureMeasure::kLetterbox, kBand, false},
      {"text closer to the picture than a scan step is read", Letterbox(TextCloseBelow), PictureMeasure::kLetterbox,
       kBand, true},
      {"a full picture", Card, PictureMeasure::kFullPicture, 0, false},
      {"a sparse picture is a full picture", Stars,
       PictureMeasure::kFullPicture, 0, false},
      {"black says nothing", BlackBand, PictureMeasure::kNoSay, 0, false},
  };
  for (const Layout& layout : kLayouts)
    for (const Case& c : cases) {
      SCOPED_TRACE(Name(layout) + ": " + c.behaviour);
      PictureMeasurer measurer;
      PictureMeasure m;
      for (int32_t k = 0; k < 2; ++k)  // a band edge must hold from the frame before
        m = measurer.Measure(MakeSceneFrame(c.scene, k, kW, kH, layout.format, layout.bottomUp).rows, 4.0 / 3.0, true);
      EXPECT_EQ(m.verdict, c.verdict);
      if (c.verdict != PictureMeasure::kLetterbox) continue;
      EXPECT_EQ(m.firstBand, c.bands);
      EXPECT_EQ(m.lastBand, c.bands);
      EXPECT_DOUBLE_EQ(m.pictureAspect, 16.0 / 9.0);
      EXPECT_EQ(m.textInLowerBand, c.textBelow);
    }
}

TEST(AutoModeSession, ChoosesAndReportsPerProgrammeInEveryLayout) {
  struct Case {
    const char* behaviour;
    Programme programme;
    int32_t mode;      // at the end
    int64_t changes;
    std::string says;  // the last report line
  };
  // The first frame sets the band edge that the next ones must hold.
  const std::string kFitWidthAtOneSecond = "frame 25 (0:01.00): letterbox 16:9 from frame 1 (0:00.04), fit-width";
  const Case cases[] = {
      {"a letterbox is fit-width after a second", {{{Letterbox(BlackBand), 30}}}, kFitToWidth, 1,
       kFitWidthAtOneSecond},
      {"noise in the bands", {{{Letterbox(NoisyBand), 30}}}, kFitToWidth, 1, kFitWidthAtOneSecond},
      {"lifted, noisy black that compression flattens or repeats in some frames",
       {{{Letterbox(CompressedLiftedNoise), 30}}}, kFitToWidth, 1, kFitWidthAtOneSecond},
      {"a logo in the upper band", {{{Letterbox(LogoAbove), 30}}}, kFitToWidth, 1, kFitWidthAtOneSecond},
      {"text in the lower band is kept in view", {{{Letterbox(TextBelow), 30}}}, kPanorama, 0,
       "frame 26 (0:01.04): letterbox 16:9 with text in the lower band, kept in view from frame 2 (0:00.08), panorama"},
      {"text in the upper band is cropped", {{{Letterbox(TextAbove), 30}}}, kFitToWidth, 1,
       kFitWidthAtOneSecond},
      {"a sparse picture between bands is a letterbox", {{{SparseLetterbox, 40}}}, kFitToWidth, 1,
       kFitWidthAtOneSecond},
      {"a sparse picture after a letterbox is a full picture",
       {{{Letterbox(BlackBand), 30}, {Stars, 40}}}, kPanorama, 2,
       "frame 54 (0:02.16): full picture from frame 30 (0:01.20), panorama"},
      {"a fade to black and back keeps the letterbox",
       {{{Letterbox(BlackBand), 30}, {FadedLetterbox, 41}, {Letterbox(BlackBand), 10}}}, kFitToWidth, 1,
       kFitWidthAtOneSecond},
      {"content only in the bands is no letterbox", {{{BandsAround(16), 40}}}, kPanorama, 0,
       "frame 0 (0:00.00): start, panorama"},
      {"a flat grey picture between dark noisy bands is one", {{{BandsAround(120), 30}}}, kFitToWidth, 1,
       kFitWidthAtOneSecond},
  };
  for (const Layout& layout : kLayouts)
    for (const Case& c : cases) {
      SCOPED_TRACE(Name(layout) + ": " + c.behaviour);
      AutoModeSession session(kPanorama, true);
      session.SetStream(DeclaredStream{});
      std::vector<std::string> reports;
      int64_t number = 0;
      for (const auto& [scene, count] : c.programme.scenes)
        for (int32_t k = 0; k < count; ++k, ++number) {
          const AutoModeStep step =
              session.Feed(MakeSceneFrame(scene, k, kW, kH, layout.format, layout.bottomUp).rows, number);
          if (!step.report.empty()) reports.push_back(step.report);
        }
      EXPECT_EQ(session.mode(), c.mode);
      EXPECT_EQ(session.changes(), c.changes);
      ASSERT_FALSE(reports.empty());
      EXPECT_EQ(reports.front(), "frame 0 (0:00.00): start, panorama");
      EXPECT_EQ(reports.back(), c.says);
    }
}

// A 720-sample frame declaring one of BT.601's sample aspects holds its
// picture over 704 samples: a letterbox's shape is judged there.
TEST(AutoModeSession, JudgesBt601LetterboxesOverTheActiveWidth) {
  const struct {
    int32_t height;
    int64_t num, den;  // the declared sample aspect
    int32_t rows;      // the picture's
    const char* format;
  } cases[] = {
      {480, 10, 11, 360, "16:9"},   {576, 12, 11, 432, "16:9"},
      {576, 12, 11, 462, "1.66:1"}, {576, 12, 11, 416, "1.85:1"},
      {576, 16, 15, 432, "16:9"},  // not BT.601's: over the whole width
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.rows) + " of " + std::to_string(c.height) + " at " + std::to_string(c.num) + ":" +
                 std::to_string(c.den));
    const int32_t top = (c.height - c.rows) / 2;
    const Scene letterbox = [&](int32_t x, int32_t y, int32_t k) {
      return y >= top && y < top + c.rows ? Card(x, y, k) : 16;
    };
    AutoModeSession session(kPanorama, true);
    session.SetStream(DeclaredStream{c.num, c.den, 25, 1});
    std::string report;
    for (int32_t k = 0; k < 30; ++k) {
      const SceneFrame frame = MakeSceneFrame(letterbox, k, 720, c.height, PixelFormat::kYuy2, false);
      const AutoModeStep step = session.Feed(frame.rows, k);
      if (!step.report.empty()) report = step.report;
    }
    EXPECT_EQ(report, "frame 25 (0:01.00): letterbox " + std::string(c.format) + " from frame 1 (0:00.04), fit-width");
  }
}

}  // namespace
}  // namespace xvf
