// Pictures back to codewords: every style, grid and thickness that keeps the
// marks apart, upright and mirrored; noise; pictures that are no symbol.

#include <gtest/gtest.h>

#include <algorithm>

#include <random>
#include <string>
#include <tuple>
#include <variant>

#include "symbol/raster.h"
#include "tests/symbol/symbol_test_support.h"

namespace tessellux::symbol {
namespace {

using testing::MakeRaster;
using testing::RandomBytes;
using testing::ToBitmap;

bool Apart(Style style, int grid, int thickness) {
  return style == Style::Lines ? thickness < grid : thickness < grid / 2;
}

std::string Name(int rows, int cols, int grid, Style style, int thickness, bool mirrored) {
  return std::string(style == Style::Lines ? "Lines" : "Dots") + " " + std::to_string(rows) + "x" +
         std::to_string(cols) + " g" + std::to_string(grid) + " t" + std::to_string(thickness) +
         (mirrored ? " mirrored" : "");
}

void ExpectRoundTrip(int rows, int cols, int grid, Style style, int thickness, bool mirrored) {
  SCOPED_TRACE(Name(rows, cols, grid, style, thickness, mirrored));
  const std::uint32_t seed = static_cast<std::uint32_t>(rows * 7919 + cols * 31 + grid * 17 + thickness);
  const Bytes codewords = RandomBytes(static_cast<std::size_t>(rows * cols * 14), seed);
  const Raster raster(rows, cols, grid, style, thickness, codewords);
  const auto sampled = SampleBitmap(ToBitmap(raster, mirrored));
  ASSERT_TRUE(std::holds_alternative<Sampled>(sampled)) << std::get<std::string>(sampled);
  const Sampled& s = std::get<Sampled>(sampled);
  EXPECT_EQ(s.rows, rows);
  EXPECT_EQ(s.cols, cols);
  EXPECT_EQ(s.grid, grid);
  EXPECT_EQ(s.thickness, thickness);
  EXPECT_EQ(s.style, style);
  EXPECT_EQ(s.mirrored, mirrored);
  EXPECT_EQ(s.codewords, codewords);
}

// Small symbols at grid 3 to 40 and every thickness that keeps the marks
// apart. Thick lines are where another geometry's frame can fit the picture
// better while its marks run together (2 x 2 blocks at grid 18, thickness 8
// fit grid 4, thickness 4 best); the search must then go on to the right one.
// Thick lines get every size, the rest one of four sizes in turn, to stay
// quick; grids up to 12 get both 1 x 2 and 2 x 1 too.
constexpr std::pair<int, int> kSmallSizes[] = {{1, 1}, {1, 2}, {2, 1}, {2, 2}};

TEST(RasterSample, SweepOfSmallSymbolsOverGridAndThickness) {
  int checked = 0;
  for (Style style : {Style::Lines, Style::Dots}) {
    for (int grid = 3; grid <= 40; ++grid) {
      for (int t = 1; t <= 8 && t < grid; ++t) {
        if (!Apart(style, grid, t)) continue;
        const auto [rows, cols] = kSmallSizes[checked % 4];
        if (style != Style::Lines || t < 7) ExpectRoundTrip(rows, cols, grid, style, t, (grid + t) % 2 == 0);
        if (grid <= 12) {
          ExpectRoundTrip(1, 2, grid, style, t, (grid + t) % 2 == 0);
          ExpectRoundTrip(2, 1, grid, style, t, (grid + t) % 2 == 1);
        }
        ++checked;
      }
    }
  }
  EXPECT_EQ(checked, 283 + 240);
}

TEST(RasterSample, SweepOfThickLinesInEverySmallSize) {
  for (int grid = 8; grid <= 40; ++grid)
    for (int t = 7; t <= 8 && t < grid; ++t)
      for (int size = 0; size < 4; ++size)
        ExpectRoundTrip(kSmallSizes[size].first, kSmallSizes[size].second, grid, Style::Lines, t,
                        (grid + t + size) % 2 == 0);
}

TEST(RasterSample, SizesAndLargeGridsUprightAndMirrored) {
  struct Case { int rows, cols, grid; Style style; int thickness; };
  const Case cases[] = {{1, 1, 8, Style::Lines, 2},  {1, 1, 8, Style::Dots, 2},   {4, 6, 5, Style::Lines, 1},
                        {6, 4, 6, Style::Dots, 2},   {20, 20, 3, Style::Lines, 1}, {20, 20, 4, Style::Dots, 1},
                        {1, 1, 40, Style::Lines, 8}, {1, 2, 40, Style::Dots, 5},   {1, 1, 128, Style::Lines, 3},
                        {1, 1, 128, Style::Dots, 8}};
  for (const Case& c : cases)
    for (bool mirrored : {false, true}) ExpectRoundTrip(c.rows, c.cols, c.grid, c.style, c.thickness, mirrored);
}

// A few pixels flipped at random: the frame still fits (also the sparse one
// of a large grid) and nearly every codeword comes back; the codec corrects the rest.
// Turns one pixel, chosen by `rng`, from black to white or back.
void Flip(Bitmap& bitmap, std::mt19937& rng) {
  const int x = static_cast<int>(rng() % static_cast<unsigned>(bitmap.width));
  const int y = static_cast<int>(rng() % static_cast<unsigned>(bitmap.height));
  bitmap.set(x, y, !bitmap.black(x, y));
}

TEST(RasterSample, SurvivesAFewFlippedPixels) {
  for (Style style : {Style::Lines, Style::Dots}) {
    for (auto [size, grid, flips, lost] : {std::tuple{4, 6, 60, 6}, {1, 40, 200, 2}}) {
      SCOPED_TRACE(Name(size, size, grid, style, 2, true));
      const Bytes codewords = RandomBytes(static_cast<std::size_t>(size * size * 14), 99);
      Bitmap bitmap = ToBitmap(Raster(size, size, grid, style, 2, codewords), true);
      std::mt19937 rng(7);
      for (int k = 0; k < flips; ++k) Flip(bitmap, rng);
      const auto sampled = SampleBitmap(bitmap);
      ASSERT_TRUE(std::holds_alternative<Sampled>(sampled)) << std::get<std::string>(sampled);
      const Sampled& s = std::get<Sampled>(sampled);
      EXPECT_TRUE(s.mirrored);
      EXPECT_EQ(s.grid, grid);
      EXPECT_EQ(s.thickness, 2);
      ASSERT_EQ(s.codewords.size(), codewords.size());
      int wrong = 0;
      for (std::size_t k = 0; k < codewords.size(); ++k) wrong += s.codewords[k] != codewords[k];
      EXPECT_LE(wrong, lost);
    }
  }
}

TEST(RasterSample, MarksThatRunTogetherAreRefused) {
  for (auto [grid, style, thickness] : {std::tuple{3, Style::Lines, 3}, {4, Style::Lines, 8}, {8, Style::Lines, 8},
                                        {3, Style::Dots, 1}, {8, Style::Dots, 4}, {9, Style::Dots, 6}}) {
    SCOPED_TRACE(Name(1, 1, grid, style, thickness, false));
    const auto sampled = SampleBitmap(ToBitmap(MakeRaster(1, 1, grid, style, thickness)));
    ASSERT_TRUE(std::holds_alternative<std::string>(sampled));
    EXPECT_NE(std::get<std::string>(sampled).find("run together"), std::string::npos)
        << std::get<std::string>(sampled);
  }
}

Bitmap Filled(int width, int height, std::uint8_t value) {
  Bitmap bitmap(width, height);
  std::fill(bitmap.bits.begin(), bitmap.bits.end(), value ? 0xFF : 0x00);
  return bitmap;
}

// A bitmap whose storage does not match its size.
Bitmap Inconsistent() {
  Bitmap bitmap;
  bitmap.width = bitmap.height = 10;
  return bitmap;
}

TEST(RasterSample, PicturesThatAreNoSymbolAreRefusedAndNeverCrash) {
  Bitmap noise = Filled(80, 80, 0);
  std::mt19937 rng(3);
  for (auto& byte : noise.bits) byte = static_cast<std::uint8_t>(rng());
  // White at a symbol's size, a size no geometry has, empty, pixels missing, noise.
  for (const Bitmap& bitmap : {Filled(80, 80, 0), Filled(81, 79, 0), Bitmap{}, Inconsistent(), noise}) {
    const auto sampled = SampleBitmap(bitmap);
    ASSERT_TRUE(std::holds_alternative<std::string>(sampled));
    EXPECT_NE(std::get<std::string>(sampled).find("not a symbol"), std::string::npos)
        << std::get<std::string>(sampled);
  }
  // All black has a Lines size whose lines would fill everything.
  EXPECT_TRUE(std::holds_alternative<std::string>(SampleBitmap(Filled(82, 82, 1))));
  EXPECT_TRUE(std::holds_alternative<std::string>(SampleBitmap(Filled(80, 80, 1))));

  // Any damaged symbol gets an answer and is never read outside its pixels.
  Bitmap bitmap = ToBitmap(MakeRaster(2, 2, 4, Style::Lines, 1));
  for (int round = 0; round < 20; ++round) {
    for (int k = 0; k < 200; ++k) Flip(bitmap, rng);
    (void)SampleBitmap(bitmap);
  }
}

}  // namespace
}  // namespace tessellux::symbol
