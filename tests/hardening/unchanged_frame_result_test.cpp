// The result of a frame pass tells the host the truth: 0 exactly when the
// frame is byte for byte as it was, and 1 with an unchanged frame only where
// the geometry maps the whole frame onto itself with no band to paint (the
// picture already fits; the pass copies the frame onto itself).
#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <vector>

#include "plugin/aspect_geometry.h"
#include "plugin/plugin_state.h"
#include "tests/support/frame_setup.h"
#include "tests/support/noise_frame.h"

namespace xvf {
namespace {

// The rectangles map the frame onto itself as a whole.
bool IdentityGeometry(int32_t mode, int32_t w, int32_t h, int32_t cw, int32_t ch) {
  AspectGeometry g;
  if (!ComputeAspectGeometry(mode, w, h, cw, ch, &g)) return false;
  const Rect whole{0, 0, w, h};
  return g.srcRect == whole && g.dstRect == whole;
}

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
              EXPECT_TRUE(IdentityGeometry(mode, s.w, s.h, cw, ch) && (!fields || s.h % 2 == 0)) << where;
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

// The documented case: the anamorphic mode with a window that makes the
// target exactly the frame's height copies the frame onto itself and still
// reports 1; the wide window that once gave an empty source reports 0.
TEST(UnchangedFrameResult, AnamorphicFullFrameIsOneAndEmptySourceIsZero) {
  PluginState state;
  state.Start(StreamFormat{720, 576, 0, 0, 0}, nullptr);
  const auto input = test::MidGreyNoise(720 * 576 * 2, 5);
  FrameInputs in = test::WindowInputs(kAnamorphic, 1024, 576);
  auto frame = input;
  EXPECT_EQ(state.ProcessFrame(frame.data(), in), 1);
  EXPECT_EQ(frame, input);
  in.aspectMode = kFitToWidth;
  in.clientWidth = INT_MAX;
  in.clientHeight = 1;
  EXPECT_EQ(state.ProcessFrame(frame.data(), in), 0);
  EXPECT_EQ(frame, input);
}

}  // namespace
}  // namespace xvf
