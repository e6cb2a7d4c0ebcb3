#include "framepass/aspect_geometry.h"

#include <gtest/gtest.h>

namespace xvf {
namespace {

Rect R(int32_t l, int32_t t, int32_t r, int32_t b) { return Rect{l, t, r, b}; }

AspectGeometry Geometry(int32_t mode, int32_t cw, int32_t ch) {
  AspectGeometry g;
  EXPECT_TRUE(ComputeAspectGeometry(mode, 720, 576, cw, ch, &g)) << mode << " " << cw << "x" << ch;
  return g;
}

TEST(AspectGeometry, WideWindow1024x576) {
  AspectGeometry g = Geometry(kFitToWidth, 1024, 576);
  EXPECT_EQ(g.srcRect, R(0, 72, 720, 504));
  EXPECT_EQ(g.dstRect, R(0, 0, 720, 576));
  g = Geometry(kFitToHeight, 1024, 576);
  EXPECT_EQ(g.srcRect, R(0, 0, 720, 576));
  EXPECT_EQ(g.dstRect, R(90, 0, 630, 576));
  g = Geometry(kAnamorphic, 1024, 576);  // V = 576 = h: the whole frame
  EXPECT_EQ(g.srcRect, R(0, 0, 720, 576));
  EXPECT_EQ(g.dstRect, R(0, 0, 720, 576));
}

TEST(AspectGeometry, FourThirdsWindowsOnlyAnamorphicHasBands) {
  for (auto [cw, ch] : {std::pair{768, 576}, std::pair{640, 480}}) {
    EXPECT_TRUE(IsFourThirdsWindow(cw, ch));
    const AspectGeometry g = Geometry(kAnamorphic, cw, ch);
    EXPECT_EQ(g.dstRect, R(0, 72, 720, 504));
  }
}

TEST(AspectGeometry, RoundingOrderAt800x480) {
  // V = MulDiv(MulDiv(576, 4, 3), 480, 800) = 461; half(115) = 57.
  EXPECT_EQ(Geometry(kFitToWidth, 800, 480).srcRect, R(0, 57, 720, 518));
  // V = MulDiv(461, 4, 3) = 615, r = MulDiv(576, 576, 615) = 539.
  EXPECT_EQ(Geometry(kAnamorphic, 800, 480).dstRect, R(0, 18, 720, 557));
}

TEST(AspectGeometry, SquareWindow600x600) {
  EXPECT_EQ(Geometry(kFitToWidth, 600, 600).dstRect, R(0, 72, 720, 504));
  EXPECT_EQ(Geometry(kFitToHeight, 600, 600).srcRect, R(90, 0, 630, 576));
  EXPECT_EQ(Geometry(kAnamorphic, 600, 600).dstRect, R(0, 126, 720, 450));
  EXPECT_EQ(Geometry(kPanorama, 600, 600).srcRect, R(0, 0, 720, 576));
  EXPECT_EQ(Geometry(kPanorama, 600, 600).dstRect, R(0, 0, 720, 576));
}

TEST(AspectGeometry, FourThirdsBandIsOpenAtBothEnds) {
  EXPECT_FALSE(IsFourThirdsWindow(660, 500));  // 1.32
  EXPECT_FALSE(IsFourThirdsWindow(540, 400));  // 1.35
  EXPECT_TRUE(IsFourThirdsWindow(661, 500));
  EXPECT_TRUE(IsFourThirdsWindow(539, 400));
}

TEST(AspectGeometry, NoGeometryForMode0OutOfRangeOrOverflow) {
  AspectGeometry g;
  EXPECT_FALSE(ComputeAspectGeometry(kFitToWindow, 720, 576, 800, 480, &g));
  EXPECT_FALSE(ComputeAspectGeometry(5, 720, 576, 800, 480, &g));
  EXPECT_FALSE(ComputeAspectGeometry(-1, 720, 576, 800, 480, &g));
  // 768 * 2^30 / 1 does not fit 32 bits: MulDiv gives -1.
  EXPECT_FALSE(ComputeAspectGeometry(kFitToWidth, 720, 576, 1, 1 << 30, &g));
  EXPECT_FALSE(ComputeAspectGeometry(kFitToHeight, 720, 576, 1 << 30, 1, &g));
}

TEST(AspectGeometry, PanoramaRatioRelativeToFourThirds) {
  EXPECT_EQ(PanoramaRatio(1024, 576), 1024 * 3.0 / 576 * 0.25);
  EXPECT_EQ(PanoramaRatio(640, 480), 1.0);
}

}  // namespace
}  // namespace xvf
