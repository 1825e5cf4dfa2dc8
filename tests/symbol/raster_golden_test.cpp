// The fast row renderer against a plain one: every pixel, padding included,
// painted mark by mark from the drawing rules (frame pattern, reference
// marks, data bit order, mark shapes, closing lines), for both styles over
// many grids, thicknesses and sizes, rows asked for in any order.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <future>
#include <numeric>
#include <random>
#include <stdexcept>
#include <vector>

#include "symbol/raster.h"
#include "tests/symbol/symbol_test_support.h"

namespace tessellux::symbol {
namespace {

struct Params {
  int rows, cols, grid, thickness;
  Style style;
};

// The picture as rows of 1-bit BMP pixels (1 = white), painted rectangle by rectangle.
std::vector<Bytes> PlainPicture(const Params& p, const Bytes& codewords, std::size_t row_bytes) {
  const int g = p.grid, t = p.thickness, h = g / 2, n = 8 * p.cols + 2, m = 8 * p.rows + 2;
  // Whether mark k (0 = A on the top edge / node dot, 1 = B) of cell (i, j) is set.
  auto mark = [&](int i, int j, int k) -> bool {
    const bool left_or_right = i == 0 || i == n - 1;
    if (j == 0 || j == m - 1) return k == 0 || left_or_right || (j == 0 ? i % 2 == 0 : i % 2 == 1);
    if (left_or_right) return k == 1 || (i == 0 ? j % 2 == 0 : j % 2 == 1);
    const int cx = (i - 1) % 8, cy = (j - 1) % 8;
    if (cx == cy) return k == 0 || cx % 2 == 0;  // reference mark
    const int d = 2 * (7 * cy + cx - (cx > cy)) + k;  // the block's bits skip the diagonal
    return codewords[14 * ((j - 1) / 8 * p.cols + (i - 1) / 8) + d / 8] >> (7 - d % 8) & 1;
  };
  const bool lines = p.style == Style::Lines;
  const int width = g * n + (lines ? t : 0), height = g * m + (lines ? t : 0);
  std::vector<Bytes> rows(static_cast<std::size_t>(height), Bytes(row_bytes, 0));
  for (int x = 0; x < width; ++x)
    for (Bytes& row : rows) row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
  auto paint = [&](int x0, int x1, int y0, int y1) {
    for (int y = std::max(0, y0); y < std::min(height, y1); ++y)
      for (int x = std::max(0, x0); x < std::min(width, x1); ++x)
        rows[y][x / 8] &= static_cast<std::uint8_t>(~(0x80 >> (x % 8)));
  };
  for (int j = 0; j < m; ++j) {
    for (int i = 0; i < n; ++i) {
      const int x = i * g, y = j * g;
      if (mark(i, j, 0)) lines ? paint(x, x + g + t, y, y + t) : paint(x, x + t, y, y + t);
      if (mark(i, j, 1)) lines ? paint(x, x + t, y, y + g + t) : paint(x + h, x + h + t, y + h, y + h + t);
    }
  }
  if (lines) {
    paint(n * g, n * g + t, 0, height);
    paint(0, width, m * g, m * g + t);
  }
  return rows;
}

// Rows in shuffled, top-down and bottom-up order (the last row rendered is
// reused for rows that cross the same marks, so the order matters), on two
// threads at once rendering the same raster.
void ExpectSamePicture(const Params& p, const Bytes& codewords, std::uint32_t order_seed) {
  const Raster raster(p.rows, p.cols, p.grid, p.style, p.thickness, codewords);
  const auto expected = PlainPicture(p, codewords, raster.row_bytes());
  ASSERT_EQ(static_cast<std::size_t>(raster.height()), expected.size());
  std::vector<int> down(expected.size());
  std::iota(down.begin(), down.end(), 0);
  std::vector<int> shuffled = down, up(down.rbegin(), down.rend());
  std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(order_seed));
  auto first_wrong_row = [&](const std::vector<std::vector<int>>& orders) {
    Bytes row(raster.row_bytes());
    for (const auto& order : orders) {
      for (int y : order) {
        std::fill(row.begin(), row.end(), 0x5A);
        raster.RenderRow(y, row.data());
        if (row != expected[y]) return y;
      }
    }
    return -1;
  };
  auto other = std::async(std::launch::async, first_wrong_row, std::vector{up, shuffled, down});
  SCOPED_TRACE(::testing::Message() << (p.style == Style::Lines ? "lines " : "dots ") << p.rows << "x" << p.cols
                                    << " grid " << p.grid << " thickness " << p.thickness);
  EXPECT_EQ(first_wrong_row({shuffled, down, up}), -1);
  EXPECT_EQ(other.get(), -1) << "second thread";
}

TEST(RasterGolden, EveryGridThicknessAndFillOnSmallSymbols) {
  for (Style style : {Style::Lines, Style::Dots}) {
    for (int grid = 3; grid <= 20; ++grid)
      for (int thickness = 1; thickness <= 8; ++thickness)
        ExpectSamePicture({1, 2, grid, thickness, style}, testing::RandomBytes(28, grid * 8 + thickness), grid);
    for (std::uint8_t fill : {0x00, 0xFF, 0xA5})  // all marks clear, all set, a pattern
      ExpectSamePicture({2, 4, 6, 2, style}, Bytes(2 * 4 * 14, fill), fill);
  }
}

TEST(RasterGolden, LargerAndUnevenSymbols) {
  const Params cases[] = {{2, 4, 3, 1, Style::Lines},  {6, 2, 5, 2, Style::Dots},   {4, 6, 8, 2, Style::Lines},
                          {10, 8, 11, 3, Style::Dots}, {2, 2, 33, 7, Style::Lines}, {1, 1, 128, 8, Style::Dots},
                          {1, 1, 127, 8, Style::Lines}, {12, 14, 4, 1, Style::Lines}};
  std::uint32_t seed = 7;
  for (const Params& p : cases) {
    ++seed;
    ExpectSamePicture(p, testing::RandomBytes(static_cast<std::size_t>(p.rows * p.cols * 14), seed), seed);
  }
}

TEST(RasterRender, LargestSymbolAndBadArguments) {
  const Raster largest = testing::MakeRaster(254, 254, 128, Style::Lines, 8);
  EXPECT_EQ(largest.width(), 128 * 2034 + 8);
  EXPECT_EQ(largest.row_bytes(), (128u * 2034 + 8 + 31) / 32 * 4);
  Bytes row(largest.row_bytes());
  for (int y : {0, largest.height() / 2 + 3, largest.height() - 1}) largest.RenderRow(y, row.data());
  EXPECT_EQ(row[0] & 0x80, 0);  // the left border

  const Bytes one_block(14, 0);
  EXPECT_THROW(Raster(1, 1, 8, Style::Lines, 2, Bytes(13, 0)), std::invalid_argument);
  EXPECT_THROW(Raster(0, 1, 8, Style::Lines, 2, Bytes{}), std::invalid_argument);
  EXPECT_THROW(Raster(1, 1, 2, Style::Lines, 2, one_block), std::invalid_argument);
  EXPECT_THROW(Raster(1, 1, 129, Style::Lines, 2, one_block), std::invalid_argument);
  EXPECT_THROW(Raster(1, 1, 8, Style::Lines, 9, one_block), std::invalid_argument);
  EXPECT_THROW(Raster(1, 1, 8, static_cast<Style>(7), 2, one_block), std::invalid_argument);
  const Raster raster(1, 1, 8, Style::Dots, 2, one_block);
  EXPECT_THROW(raster.RenderRow(-1, row.data()), std::out_of_range);
  EXPECT_THROW(raster.RenderRow(raster.height(), row.data()), std::out_of_range);
}

}  // namespace
}  // namespace tessellux::symbol
