// Pictures back to codewords: every style, grid and thickness that keeps the
// marks apart, upright and mirrored; noise; pictures that are no symbol.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <variant>

#include "symbol/raster.h"
#include "tests/symbol/raster_test_util.h"

namespace tessellux::symbol {
namespace {

using test::MakeRaster;
using test::RandomBytes;
using test::ToBitmap;

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

TEST(RasterSample, EveryGridAndThicknessThatKeepsMarksApart) {
  int checked = 0;
  for (Style style : {Style::Lines, Style::Dots}) {
    for (int grid = 3; grid <= 12; ++grid) {
      for (int t = 1; t <= 8; ++t) {
        if (!Apart(style, grid, t)) continue;
        ExpectRoundTrip(1, 2, grid, style, t, (grid + t) % 2 == 0);
        ExpectRoundTrip(2, 1, grid, style, t, (grid + t) % 2 == 1);
        ++checked;
      }
    }
  }
  EXPECT_EQ(checked, 59 + 25);  // Lines: sum of min(g - 1, 8); Dots: sum of g / 2 - 1
}

TEST(RasterSample, SizesUprightAndMirrored) {
  for (bool mirrored : {false, true}) {
    ExpectRoundTrip(1, 1, 8, Style::Lines, 2, mirrored);
    ExpectRoundTrip(1, 1, 8, Style::Dots, 2, mirrored);
    ExpectRoundTrip(4, 6, 5, Style::Lines, 1, mirrored);
    ExpectRoundTrip(6, 4, 6, Style::Dots, 2, mirrored);
    ExpectRoundTrip(20, 20, 3, Style::Lines, 1, mirrored);
    ExpectRoundTrip(20, 20, 4, Style::Dots, 1, mirrored);
  }
}

TEST(RasterSample, LargeGrids) {
  ExpectRoundTrip(1, 1, 40, Style::Lines, 8, false);
  ExpectRoundTrip(1, 2, 40, Style::Dots, 5, true);
  ExpectRoundTrip(1, 1, 128, Style::Lines, 3, true);
  ExpectRoundTrip(1, 1, 128, Style::Dots, 8, false);
}

// Flips `count` random pixels; returns how many codewords still come back.
int SurvivingCodewords(int size, int grid, Style style, int thickness, int count) {
  SCOPED_TRACE(Name(size, size, grid, style, thickness, true) + " noise " + std::to_string(count));
  const Bytes codewords = RandomBytes(static_cast<std::size_t>(size * size * 14), 99);
  Bitmap bitmap = ToBitmap(Raster(size, size, grid, style, thickness, codewords), true);
  std::mt19937 rng(7);
  std::uniform_int_distribution<std::size_t> pick(0, bitmap.pixels.size() - 1);
  for (int k = 0; k < count; ++k) bitmap.pixels[pick(rng)] ^= 1;
  const auto sampled = SampleBitmap(bitmap);
  if (!std::holds_alternative<Sampled>(sampled)) {
    ADD_FAILURE() << std::get<std::string>(sampled);
    return 0;
  }
  const Sampled& s = std::get<Sampled>(sampled);
  EXPECT_TRUE(s.mirrored);
  EXPECT_EQ(s.grid, grid);
  EXPECT_EQ(s.thickness, thickness);
  if (s.codewords.size() != codewords.size()) return 0;
  int same = 0;
  for (std::size_t k = 0; k < codewords.size(); ++k) same += s.codewords[k] == codewords[k];
  return same;
}

// A few pixels flipped at random: the frame still fits and nearly every
// codeword comes back (the codec corrects the rest).
TEST(RasterSample, SurvivesAFewFlippedPixels) {
  for (Style style : {Style::Lines, Style::Dots}) {
    EXPECT_GE(SurvivingCodewords(4, 6, style, 2, 60), 4 * 4 * 14 - 6);
    // Large grids leave the frame sparse: noise must not hide it.
    EXPECT_GE(SurvivingCodewords(1, 40, style, 2, 200), 14 - 2);
  }
}

void ExpectRunTogether(int grid, Style style, int thickness) {
  SCOPED_TRACE(Name(1, 1, grid, style, thickness, false));
  const auto sampled = SampleBitmap(ToBitmap(MakeRaster(1, 1, grid, style, thickness)));
  ASSERT_TRUE(std::holds_alternative<std::string>(sampled));
  EXPECT_NE(std::get<std::string>(sampled).find("run together"), std::string::npos)
      << std::get<std::string>(sampled);
}

TEST(RasterSample, MarksThatRunTogetherAreRefused) {
  ExpectRunTogether(3, Style::Lines, 3);
  ExpectRunTogether(4, Style::Lines, 8);
  ExpectRunTogether(8, Style::Lines, 8);
  ExpectRunTogether(3, Style::Dots, 1);
  ExpectRunTogether(8, Style::Dots, 4);
  ExpectRunTogether(9, Style::Dots, 6);
}

void ExpectNoSymbol(const Bitmap& bitmap) {
  const auto sampled = SampleBitmap(bitmap);
  ASSERT_TRUE(std::holds_alternative<std::string>(sampled));
  EXPECT_NE(std::get<std::string>(sampled).find("not a symbol"), std::string::npos)
      << std::get<std::string>(sampled);
}

Bitmap Filled(int width, int height, std::uint8_t value) {
  return Bitmap{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width * height), value)};
}

TEST(RasterSample, PicturesThatAreNoSymbol) {
  ExpectNoSymbol(Filled(80, 80, 0));   // white, symbol size
  ExpectNoSymbol(Filled(81, 79, 0));   // no geometry has this size
  ExpectNoSymbol(Bitmap{});            // empty
  ExpectNoSymbol(Bitmap{10, 10, {}});  // pixels missing
  Bitmap noise = Filled(80, 80, 0);
  std::mt19937 rng(3);
  for (auto& p : noise.pixels) p = rng() % 2;
  ExpectNoSymbol(noise);
}

// All black has a Lines size whose lines would fill everything.
TEST(RasterSample, AllBlackIsRefused) {
  EXPECT_TRUE(std::holds_alternative<std::string>(SampleBitmap(Filled(82, 82, 1))));
  EXPECT_TRUE(std::holds_alternative<std::string>(SampleBitmap(Filled(80, 80, 1))));
}

// Any bitmap, however odd, gets an answer and never touches memory outside it.
TEST(RasterSample, DamagedSymbolsNeverCrash) {
  Bitmap bitmap = ToBitmap(MakeRaster(2, 2, 4, Style::Lines, 1));
  std::mt19937 rng(5);
  for (int round = 0; round < 20; ++round) {
    for (int k = 0; k < 200; ++k) bitmap.pixels[rng() % bitmap.pixels.size()] ^= 1;
    (void)SampleBitmap(bitmap);
  }
}

}  // namespace
}  // namespace tessellux::symbol
