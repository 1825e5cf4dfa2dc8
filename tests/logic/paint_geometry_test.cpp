#include <gtest/gtest.h>

#include "output/paint_geometry.h"

namespace tessellux::output {
namespace {

void ExpectRect(const RectF& r, const RectF& want) {
  EXPECT_NEAR(r.left, want.left, 1e-3);
  EXPECT_NEAR(r.top, want.top, 1e-3);
  EXPECT_NEAR(r.width, want.width, 1e-3);
  EXPECT_NEAR(r.height, want.height, 1e-3);
}

TEST(PaintGeometry, ZoomAndCentring) {
  const struct {
    int w, h, box_w, box_h;
    bool view;
    RectF destination;
  } cases[] = {
      // The symbol view zooms by powers of two: 2 here, capped at 4, a
      // quarter for 0.353, and exactly 0.5 after the margin stays 0.5.
      {100, 100, 537, 441, true, {168.5f, 120.5f, 200, 200}},
      {10, 10, 537, 441, true, {248.5f, 200.5f, 40, 40}},
      {1000, 1000, 537, 441, true, {143.5f, 95.5f, 250, 250}},
      {800, 100, 500, 1000, true, {50, 475, 400, 50}},
      // Other boxes scale freely to 80 % of the limiting side.
      {10, 10, 321, 289, false, {44.9f, 28.9f, 231.2f, 231.2f}},
      {400, 100, 321, 289, false, {32.1f, 112.4f, 256.8f, 64.2f}},   // wide
      {100, 400, 321, 289, false, {131.6f, 28.9f, 57.8f, 231.2f}},   // tall
      {3, 7, 30, 70, false, {3, 7, 24, 56}},  // equal proportions keep the width ratio
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " in " << c.box_w << "x" << c.box_h);
    const auto g = FitPicture(c.w, c.h, c.box_w, c.box_h, c.view, 8);
    ASSERT_TRUE(g);
    ExpectRect(g->destination, c.destination);
  }
}

TEST(PaintGeometry, OnlyTheSymbolViewCropsTheGrid) {
  ExpectRect(FitPicture(100, 100, 537, 441, true, 8)->source, {8, 8, 92, 92});
  ExpectRect(FitPicture(10, 10, 321, 289, false, 8)->source, {0, 0, 10, 10});
  EXPECT_TRUE(FitPicture(10, 10, 100, 100, false, 10));
  EXPECT_TRUE(FitPicture(11, 11, 100, 100, true, 10));
}

TEST(PaintGeometry, NothingToDrawForEmptyPicturesBoxesOrFullCrop) {
  EXPECT_FALSE(FitPicture(0, 10, 100, 100, false, 0));
  EXPECT_FALSE(FitPicture(10, 0, 100, 100, false, 0));
  EXPECT_FALSE(FitPicture(10, 10, 0, 100, false, 0));
  EXPECT_FALSE(FitPicture(10, 10, 100, -1, false, 0));
  EXPECT_FALSE(FitPicture(10, 20, 100, 100, true, 10));
  EXPECT_FALSE(FitPicture(20, 10, 100, 100, true, 10));
}

}  // namespace
}  // namespace tessellux::output
