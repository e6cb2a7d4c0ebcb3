// The result of a frame pass tells the host the truth: 0 exactly when the
// frame is byte for byte as it was, and 1 with an unchanged frame only where
// there is nothing to change: the geometry maps the whole frame onto itself
// (the pass copies the frame onto itself) or the source clips to nothing and
// no band falls on the frame.
#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <vector>

#include "framepass/plugin_state.h"
#include "tests/support/frame_setup.h"
#include "tests/support/noise_frame.h"

namespace xvf {
namespace {

TEST(UnchangedFrameResult, ExtremeWindowsNeverReportAChangeThatDidNotHappen) {
  const int32_t sides[] = {1, 2, 3, 7, 480, 576, 1024, 65535, 65536, 1000000, 46341, INT_MAX / 3, INT_MAX - 1,
                           INT_MAX};
  struct Stream {
    int32_t w, h, format;
  };
  const Stream streams[] = {{720, 576, 0}, {720, 576, 1}, {2, 1, 0}, {1, 1, 1}, {3, 2, 1}, {64, 3, 0}, {1, 9, 1}};
  int32_t identities = 0, changed = 0, refused = 0;
  for (const Stream& s : streams) {
    const size_t bytes = static_cast<size_t>(s.w) * s.h * (s.format == 1 ? 3 : 2);
    const auto input = test::MidGreyNoise(bytes, static_cast<uint32_t>(s.w * 31 + s.h));
    PluginState state;
    state.Start(StreamFormat{s.w, s.h, 0, s.format, 0}, nullptr);
    for (int32_t mode = 1; mode <= 4; ++mode)
      for (int32_t fields : {0, 1})
        for (const int32_t cw : sides)
          for (const int32_t ch : sides) {
            const FrameInputs in = test::WindowInputs(mode, cw, ch, fields);
            std::vector<uint8_t> frame = input;
            const int32_t result = state.ProcessFrame(frame.data(), in);
            const bool same = frame == input;
            const std::string where = "mode " + std::to_string(mode) + " fields " + std::to_string(fields) + " " +
                                      std::to_string(s.w) + "x" + std::to_string(s.h) + "/" +
                                      std::to_string(s.format) + " window " + std::to_string(cw) + "x" +
                                      std::to_string(ch);
            ASSERT_TRUE(result == 0 || result == 1) << where;
            if (result == 0) {
              EXPECT_TRUE(same) << where;
              ++refused;
            } else if (same) {
              // Fields round the bands to even rows: an odd height always
              // paints its last row, so only even heights qualify.
              EXPECT_TRUE(test::NothingToChange(mode, s.w, s.h, cw, ch, fields) && (!fields || s.h % 2 == 0)) << where;
              ++identities;
            } else {
              ++changed;
            }
          }
  }
  // The sweep reaches all three outcomes.
  EXPECT_GT(identities, 0);
  EXPECT_GT(changed, 0);
  EXPECT_GT(refused, 0);
}

// Frames whose source rectangle clips to nothing: nothing is scaled, the
// bands around the destination are still painted, and the pass reports 1,
// as it does for the anamorphic frame copied onto itself. Rows from
// blackFrom on come back black (YUY2 00 80, RGB24 00 00 00), all others as
// they were.
TEST(UnchangedFrameResult, EmptySourcePaintsTheBandsAndReportsOne) {
  struct Case {
    int32_t w, h, format, mode, fields, cw, ch, blackFrom;
  };
  const Case cases[] = {
      {720, 576, 0, kAnamorphic, 0, 1024, 576, 576},  // the frame onto itself: unchanged, still 1
      {4, 3, 0, kFitToWidth, 1, 4000, 300, 2},
      {720, 575, 0, kFitToWidth, 1, 2000, 1, 574},
      {2, 2, 0, kFitToWidth, 0, 4000, 300, 2},
      {720, 576, 1, kFitToWidth, 0, INT_MAX, 1, 576},
  };
  for (const Case& c : cases) {
    const std::string where = std::to_string(c.w) + "x" + std::to_string(c.h) + "/" + std::to_string(c.format) +
                              " mode " + std::to_string(c.mode) + " fields " + std::to_string(c.fields) +
                              " window " + std::to_string(c.cw) + "x" + std::to_string(c.ch);
    PluginState state;
    state.Start(StreamFormat{c.w, c.h, 0, c.format, 0}, nullptr);
    const auto input = test::MidGreyNoise(FrameBytes(PixelFormatOf(c.format), c.w, c.h), 5);
    auto expected = input;
    const size_t rowBytes = static_cast<size_t>(c.w) * (c.format == 1 ? 3 : 2);
    for (int32_t row = c.blackFrom; row < c.h; ++row) {
      // RGB24 rows run bottom-up: picture row y is memory row h - 1 - y.
      uint8_t* p = expected.data() + rowBytes * (c.format == 1 ? c.h - 1 - row : row);
      for (size_t i = 0; i < rowBytes; ++i) p[i] = c.format == 1 ? 0 : (i % 2 ? 0x80 : 0x00);
    }
    auto frame = input;
    EXPECT_EQ(state.ProcessFrame(frame.data(), test::WindowInputs(c.mode, c.cw, c.ch, c.fields)), 1) << where;
    EXPECT_EQ(frame, expected) << where;
  }
}

}  // namespace
}  // namespace xvf
