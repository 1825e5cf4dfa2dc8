// The reduced symbol view: counts of black under each view pixel.

#include <gtest/gtest.h>

#include <random>

#include "output/view_reduction.h"

namespace tessellux::output {
namespace {

bool Bit(const std::vector<std::uint8_t>& bits, std::size_t stride, int x, int y) {
  return (bits[static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x / 8)] >> (7 - x % 8)) & 1;
}

TEST(ViewReduction, CountOnesMatchesBitByBitCounting) {
  std::mt19937 random(3);
  std::vector<std::uint8_t> row(40);
  for (auto& b : row) b = static_cast<std::uint8_t>(random());
  for (int begin = 0; begin < 320; begin += 7)
    for (int end = begin; end <= 320; end += 5) {
      int expected = 0;
      for (int x = begin; x < end; ++x) expected += Bit(row, 0, x, 0);
      ASSERT_EQ(CountOnes(row.data(), begin, end), expected) << begin << ".." << end;
    }
}

TEST(ViewReduction, EachViewPixelIsTheShareOfWhiteUnderIt) {
  std::mt19937 random(5);
  const int w = 301, h = 77;
  const std::size_t stride = 40;
  std::vector<std::uint8_t> bits(stride * h);
  for (auto& b : bits) b = static_cast<std::uint8_t>(random());
  const struct {
    int left, top, width, height, factor;
    bool one_is_black;
  } cases[] = {{0, 0, w, h, 1, true},   {0, 0, w, h, 2, false},  {8, 8, w - 8, h - 8, 4, true},
               {3, 5, w - 3, h - 5, 16, false}, {11, 11, 200, 60, 64, true},
               {0, 0, w, h, 3, true},   {5, 1, 296, 70, 128, false}};
  for (const auto& c : cases) {
    const GreyPicture grey =
        ReduceOneBit({bits.data(), w, h, stride, c.one_is_black}, c.left, c.top, c.width, c.height, c.factor);
    ASSERT_EQ(grey.width, (c.width + c.factor - 1) / c.factor);
    ASSERT_EQ(grey.height, (c.height + c.factor - 1) / c.factor);
    for (int oy = 0; oy < grey.height; ++oy)
      for (int ox = 0; ox < grey.width; ++ox) {
        int white = 0, area = 0;
        for (int y = c.top + oy * c.factor; y < std::min(c.top + (oy + 1) * c.factor, c.top + c.height); ++y)
          for (int x = c.left + ox * c.factor; x < std::min(c.left + (ox + 1) * c.factor, c.left + c.width); ++x) {
            ++area;
            white += Bit(bits, stride, x, y) != c.one_is_black;
          }
        ASSERT_EQ(grey.pixels[static_cast<std::size_t>(oy) * grey.width + ox], (white * 255 + area / 2) / area)
            << "factor " << c.factor << " at " << ox << "," << oy;
      }
  }
}

TEST(ViewReduction, FineLinesBecomeEvenGreyNotMoire) {
  // Lines one pixel wide every third pixel: sampling shows stripes, the
  // reduction a single grey of one third black.
  const int side = 768;
  const std::size_t stride = side / 8;
  std::vector<std::uint8_t> bits(stride * side);
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; x += 3) bits[y * stride + x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
  const GreyPicture grey = ReduceOneBit({bits.data(), side, side, stride, true}, 0, 0, side, side, 48);
  for (const std::uint8_t level : grey.pixels) EXPECT_EQ(level, 170);
}

TEST(ViewReduction, RectangleOutsideThePictureGivesNothing) {
  std::vector<std::uint8_t> bits(16);
  const OneBitPicture picture{bits.data(), 16, 8, 2, true};
  EXPECT_EQ(ReduceOneBit(picture, 0, 0, 17, 8, 2).width, 0);
  EXPECT_EQ(ReduceOneBit(picture, -1, 0, 8, 8, 2).width, 0);
  EXPECT_EQ(ReduceOneBit(picture, 0, 0, 16, 8, 0).width, 0);
}

}  // namespace
}  // namespace tessellux::output
