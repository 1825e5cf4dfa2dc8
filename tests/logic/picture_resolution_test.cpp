#include "output/picture_resolution.h"

#include <gtest/gtest.h>

namespace tessellux::output {
namespace {

std::uint32_t Le32At(const Bytes& b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
         static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

TEST(PictureResolutionTest, DotsPerInchBecomeWholePixelsPerMetre) {
  EXPECT_EQ(PixelsPerMetre(600), 23622u);  // 23,622.05
  EXPECT_EQ(PixelsPerMetre(96), 3780u);
  EXPECT_EQ(PixelsPerMetre(300), 11811u);
  EXPECT_EQ(PixelsPerMetre(0), 0u);
  EXPECT_EQ(PixelsPerMetre(-600), 0u);
  EXPECT_EQ(PixelsPerMetre(1e12), 0u);  // past the field
}

TEST(PictureResolutionTest, BmpHeaderCarriesTheResolutionOnBothAxesAndNothingElseChanges) {
  Bytes bmp(62, 0xEE);
  const Bytes before = bmp;
  ASSERT_TRUE(SetBmpResolution(bmp, 600));
  EXPECT_EQ(Le32At(bmp, 38), 23622u);
  EXPECT_EQ(Le32At(bmp, 42), 23622u);
  for (std::size_t i = 0; i < bmp.size(); ++i) {
    if (i < 38 || i >= 46) {
      EXPECT_EQ(bmp[i], before[i]) << i;
    }
  }
  Bytes too_short(45, 0);
  EXPECT_FALSE(SetBmpResolution(too_short, 600));
  EXPECT_EQ(too_short, Bytes(45, 0));
}

TEST(PictureResolutionTest, PngPhysChunkIsBigEndianPerMetre) {
  EXPECT_EQ(PngPhysicalDimensions(600), (Bytes{0, 0, 0x5C, 0x46, 0, 0, 0x5C, 0x46, 1}));
}

}  // namespace
}  // namespace tessellux::output
