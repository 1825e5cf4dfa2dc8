// The fast row renderer against a plain one: every pixel, padding included,
// painted mark by mark from the drawing rules (frame pattern, reference
// marks, data bit order, mark shapes, closing lines), for both styles over
// many grids, thicknesses and sizes, rows asked for in any order.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <numeric>
#include <random>
#include <stdexcept>
#include <thread>
#include <vector>

#include "symbol/raster.h"
#include "tests/symbol/symbol_test_support.h"

namespace tessellux::symbol {
namespace {

struct Params {
  int rows, cols, grid, thickness;
  Style style;
};

// Whether mark (0 = A on the top edge / node dot, 1 = B) of cell (i, j) is set.
class PlainCells {
 public:
  PlainCells(const Params& p, const Bytes& codewords)
      : n_(8 * p.cols + 2), m_(8 * p.rows + 2), set_(static_cast<std::size_t>(n_ * m_ * 2)) {
    for (int j = 0; j < m_; ++j)
      for (int i = 0; i < n_; ++i)
        if (i == 0 || j == 0 || i == n_ - 1 || j == m_ - 1) Frame(i, j);
    for (int b = 0; b < p.rows * p.cols; ++b) Block(p, b, codewords.data() + 14 * b);
  }
  bool at(int i, int j, int mark) const { return set_[static_cast<std::size_t>((j * n_ + i) * 2 + mark)]; }

 private:
  void Put(int i, int j, int mark, bool on) { set_[static_cast<std::size_t>((j * n_ + i) * 2 + mark)] = on; }
  void Frame(int i, int j) {
    const bool top_or_bottom = j == 0 || j == m_ - 1;
    Put(i, j, 0, top_or_bottom || (i == 0 ? j % 2 == 0 : j % 2 == 1));
    Put(i, j, 1, i == 0 || i == n_ - 1 || (j == 0 ? i % 2 == 0 : i % 2 == 1));
  }
  void Block(const Params& p, int b, const std::uint8_t* bytes) {
    const int i0 = 1 + 8 * (b % p.cols), j0 = 1 + 8 * (b / p.cols);
    int d = 0;
    for (int cy = 0; cy < 8; ++cy) {
      for (int cx = 0; cx < 8; ++cx) {
        if (cx == cy) {
          Put(i0 + cx, j0 + cy, 0, true);
          Put(i0 + cx, j0 + cy, 1, cx % 2 == 0);
          continue;
        }
        for (int mark = 0; mark < 2; ++mark, ++d) Put(i0 + cx, j0 + cy, mark, (bytes[d / 8] >> (7 - d % 8)) & 1);
      }
    }
  }
  int n_, m_;
  std::vector<bool> set_;
};

// The picture as rows of 1-bit BMP pixels (1 = white), painted rectangle by rectangle.
std::vector<Bytes> PlainPicture(const Params& p, const Bytes& codewords, std::size_t row_bytes) {
  const PlainCells cells(p, codewords);
  const int g = p.grid, t = p.thickness, h = g / 2, n = 8 * p.cols + 2, m = 8 * p.rows + 2;
  const bool lines = p.style == Style::Lines;
  const int width = g * n + (lines ? t : 0), height = g * m + (lines ? t : 0);
  std::vector<std::vector<bool>> black(static_cast<std::size_t>(height), std::vector<bool>(width));
  auto paint = [&](int x0, int x1, int y0, int y1) {
    for (int y = std::max(0, y0); y < std::min(height, y1); ++y)
      for (int x = std::max(0, x0); x < std::min(width, x1); ++x) black[y][x] = true;
  };
  for (int j = 0; j < m; ++j) {
    for (int i = 0; i < n; ++i) {
      const int x = i * g, y = j * g;
      if (cells.at(i, j, 0)) lines ? paint(x, x + g + t, y, y + t) : paint(x, x + t, y, y + t);
      if (cells.at(i, j, 1)) lines ? paint(x, x + t, y, y + g + t) : paint(x + h, x + h + t, y + h, y + h + t);
    }
  }
  if (lines) {
    paint(n * g, n * g + t, 0, height);
    paint(0, width, m * g, m * g + t);
  }
  std::vector<Bytes> rows(static_cast<std::size_t>(height), Bytes(row_bytes, 0));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (!black[y][x]) rows[y][x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
  return rows;
}

// Rows in shuffled, top-down and bottom-up order (the last row rendered is
// reused for rows that cross the same marks, so the order matters).
void ExpectSamePicture(const Params& p, const Bytes& codewords, std::uint32_t order_seed) {
  const Raster raster(p.rows, p.cols, p.grid, p.style, p.thickness, codewords);
  const auto expected = PlainPicture(p, codewords, raster.row_bytes());
  ASSERT_EQ(static_cast<std::size_t>(raster.height()), expected.size());
  std::vector<int> order(expected.size());
  std::iota(order.begin(), order.end(), 0);
  std::vector<int> shuffled = order;
  std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(order_seed));
  Bytes row(raster.row_bytes());
  for (const auto& sequence : {shuffled, order, std::vector<int>(order.rbegin(), order.rend())}) {
    for (int y : sequence) {
      std::fill(row.begin(), row.end(), 0x5A);
      raster.RenderRow(y, row.data());
      ASSERT_EQ(row, expected[y]) << (p.style == Style::Lines ? "lines" : "dots") << " " << p.rows << "x" << p.cols
                                  << " grid " << p.grid << " thickness " << p.thickness << " row " << y;
    }
  }
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

TEST(RasterGolden, ThreadsRenderingOneRasterGetTheirOwnRows) {
  const Params p{6, 6, 5, 2, Style::Lines};
  const Bytes codewords = testing::RandomBytes(6 * 6 * 14, 99);
  const Raster raster(p.rows, p.cols, p.grid, p.style, p.thickness, codewords);
  const auto expected = PlainPicture(p, codewords, raster.row_bytes());
  std::atomic<int> wrong{0};
  auto render_all = [&](bool downwards) {
    Bytes row(raster.row_bytes());
    for (int pass = 0; pass < 20; ++pass) {
      for (int k = 0; k < raster.height(); ++k) {
        const int y = downwards ? k : raster.height() - 1 - k;
        raster.RenderRow(y, row.data());
        if (row != expected[y]) ++wrong;
      }
    }
  };
  std::thread other(render_all, true);
  render_all(false);
  other.join();
  EXPECT_EQ(wrong.load(), 0);
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
