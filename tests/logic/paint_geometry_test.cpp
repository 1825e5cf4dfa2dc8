#include <gtest/gtest.h>

#include "output/paint_geometry.h"

namespace tessellux::output {
namespace {

PaintGeometry Fit(int w, int h, int bw, int bh, bool view = false, int grid = 0) {
  auto geometry = FitPicture(w, h, bw, bh, view, grid);
  EXPECT_TRUE(geometry);
  return geometry.value_or(PaintGeometry{});
}

TEST(PaintGeometry, SymbolViewUsesPowerOfTwoZoomAndCropsTheGrid) {
  const PaintGeometry g = Fit(100, 100, 537, 441, true, 8);
  EXPECT_FLOAT_EQ(g.destination.width, 200.0f);
  EXPECT_FLOAT_EQ(g.destination.height, 200.0f);
  EXPECT_FLOAT_EQ(g.destination.left, 168.5f);
  EXPECT_FLOAT_EQ(g.destination.top, 120.5f);
  EXPECT_FLOAT_EQ(g.source.left, 8.0f);
  EXPECT_FLOAT_EQ(g.source.top, 8.0f);
  EXPECT_FLOAT_EQ(g.source.width, 92.0f);
  EXPECT_FLOAT_EQ(g.source.height, 92.0f);
}

TEST(PaintGeometry, SymbolViewZoomIsCappedAtFourAndHalvesBelowOne) {
  EXPECT_FLOAT_EQ(Fit(10, 10, 537, 441, true, 3).destination.width, 40.0f);
  // 0.8 * 441 / 1000 = 0.353: a quarter.
  const PaintGeometry big = Fit(1000, 1000, 537, 441, true, 8);
  EXPECT_FLOAT_EQ(big.destination.width, 250.0f);
  EXPECT_FLOAT_EQ(big.destination.left, 143.5f);
  // Exactly 0.5 after the margin stays at 0.5.
  EXPECT_FLOAT_EQ(Fit(800, 100, 500, 1000, true, 8).destination.width, 400.0f);
}

TEST(PaintGeometry, OtherBoxesScaleFreelyAndShowTheWholePicture) {
  const PaintGeometry g = Fit(10, 10, 321, 289);
  EXPECT_FLOAT_EQ(g.destination.width, 0.8f * 28.9f * 10.0f);
  EXPECT_FLOAT_EQ(g.source.left, 0.0f);
  EXPECT_FLOAT_EQ(g.source.width, 10.0f);
  EXPECT_FLOAT_EQ(g.source.height, 10.0f);
}

TEST(PaintGeometry, WidePictureIsLimitedByTheBoxWidth) {
  const PaintGeometry g = Fit(400, 100, 321, 289);
  EXPECT_NEAR(g.destination.width, 0.8 * 321, 1e-3);
  EXPECT_NEAR(g.destination.left, 0.1 * 321, 1e-3);
  EXPECT_NEAR(g.destination.top, (289 - g.destination.height) / 2, 1e-3);
}

TEST(PaintGeometry, TallPictureIsLimitedByTheBoxHeight) {
  const PaintGeometry g = Fit(100, 400, 321, 289);
  EXPECT_NEAR(g.destination.height, 0.8 * 289, 1e-3);
  EXPECT_NEAR(g.destination.top, 0.1 * 289, 1e-3);
  EXPECT_NEAR(g.destination.left, (321 - g.destination.width) / 2, 1e-3);
}

TEST(PaintGeometry, EqualProportionsKeepTheWidthRatio) {
  // 3 x 7 in 30 x 70: the height test is strictly greater, so the width
  // ratio 10 stays and the picture fills 80 % both ways.
  const PaintGeometry g = Fit(3, 7, 30, 70);
  EXPECT_FLOAT_EQ(g.destination.width, 24.0f);
  EXPECT_FLOAT_EQ(g.destination.height, 56.0f);
  EXPECT_FLOAT_EQ(g.destination.left, 3.0f);
  EXPECT_FLOAT_EQ(g.destination.top, 7.0f);
}

TEST(PaintGeometry, NothingToDrawForEmptyPicturesBoxesOrFullCrop) {
  EXPECT_FALSE(FitPicture(0, 10, 100, 100, false, 0));
  EXPECT_FALSE(FitPicture(10, 0, 100, 100, false, 0));
  EXPECT_FALSE(FitPicture(10, 10, 0, 100, false, 0));
  EXPECT_FALSE(FitPicture(10, 10, 100, -1, false, 0));
  EXPECT_FALSE(FitPicture(10, 20, 100, 100, true, 10));
  EXPECT_FALSE(FitPicture(20, 10, 100, 100, true, 10));
  EXPECT_TRUE(FitPicture(11, 11, 100, 100, true, 10));
  // The grid crop applies only to the symbol view.
  EXPECT_TRUE(FitPicture(10, 10, 100, 100, false, 10));
}

}  // namespace
}  // namespace tessellux::output
