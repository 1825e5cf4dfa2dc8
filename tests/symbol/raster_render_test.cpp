// Codewords to pixels: sizes, row form, where each bit lands, and the BMP
// header the service sends before the rows.

#include <gtest/gtest.h>

#include <stdexcept>

#include "symbol/raster.h"
#include "symbol/raster/row_render.h"
#include "tests/symbol/raster_test_util.h"

namespace tessellux::symbol {
namespace {

using test::MakeRaster;
using test::ToBitmap;

TEST(RasterRender, PixelSizeFollowsGridRowsColumnsAndThickness) {
  const Raster lines = MakeRaster(1, 2, 4, Style::Lines, 2);
  EXPECT_EQ(lines.width(), 74);  // 4 * (8 * 2 + 2) + 2
  EXPECT_EQ(lines.height(), 42);
  const Raster dots = MakeRaster(6, 4, 7, Style::Dots, 3);
  EXPECT_EQ(dots.width(), 7 * 34);
  EXPECT_EQ(dots.height(), 7 * 50);
  const Raster largest = MakeRaster(254, 254, 128, Style::Lines, 8);
  EXPECT_EQ(largest.width(), 128 * 2034 + 8);
  EXPECT_EQ(largest.row_bytes(), (128u * 2034 + 8 + 31) / 32 * 4);
}

TEST(RasterRender, RowsArePaddedWithZeroBits) {
  for (int grid : {3, 4, 5, 7}) {
    for (Style style : {Style::Lines, Style::Dots}) {
      const Raster raster = MakeRaster(1, 1, grid, style, 1);
      const std::size_t rb = raster.row_bytes();
      ASSERT_EQ(rb % 4, 0u);
      ASSERT_GE(rb * 8, static_cast<std::size_t>(raster.width()));
      ASSERT_LT(rb * 8, static_cast<std::size_t>(raster.width()) + 32);
      std::vector<std::uint8_t> row(rb, 0xAB);
      for (int y = 0; y < raster.height(); ++y) {
        raster.RenderRow(y, row.data());
        for (std::size_t bit = static_cast<std::size_t>(raster.width()); bit < rb * 8; ++bit) {
          ASSERT_EQ((row[bit / 8] >> (7 - bit % 8)) & 1, 0) << "grid " << grid << " row " << y << " bit " << bit;
        }
      }
    }
  }
}

TEST(RasterRender, FrameCornersAndBorders) {
  const Bitmap lines = ToBitmap(MakeRaster(1, 1, 8, Style::Lines, 2));
  for (int x = 0; x < lines.width; ++x) {
    EXPECT_TRUE(lines.black(x, 0) && lines.black(x, lines.height - 1)) << x;  // top and closing line
  }
  for (int y = 0; y < lines.height; ++y) EXPECT_TRUE(lines.black(0, y) && lines.black(lines.width - 1, y)) << y;
  const Bitmap dots = ToBitmap(MakeRaster(1, 1, 8, Style::Dots, 2));
  EXPECT_TRUE(dots.black(0, 0) && dots.black(1, 1));
  EXPECT_FALSE(dots.black(2, 0) || dots.black(0, 2));
  EXPECT_TRUE(dots.black(8, 0));  // the top border is a dot at every node
  EXPECT_TRUE(dots.black(4, 4));  // left border: the middle dots
}

// Pixels that differ between two pictures, as a box [x0, x1) x [y0, y1).
struct DiffBox {
  int x0 = 1 << 30, x1 = -1, y0 = 1 << 30, y1 = -1, count = 0;
};
DiffBox Diff(const Bitmap& a, const Bitmap& b) {
  DiffBox d;
  for (int y = 0; y < a.height; ++y) {
    for (int x = 0; x < a.width; ++x) {
      if (a.black(x, y) == b.black(x, y)) continue;
      d = {std::min(d.x0, x), std::max(d.x1, x + 1), std::min(d.y0, y), std::max(d.y1, y + 1), d.count + 1};
    }
  }
  return d;
}

// One codeword bit set against all clear: only that mark changes.
DiffBox OneBit(Style style, int byte, int bit) {
  Bytes zero(2 * 14, 0), one = zero;
  one[static_cast<std::size_t>(byte)] = static_cast<std::uint8_t>(0x80 >> bit);
  return Diff(ToBitmap(Raster(1, 2, 8, style, 2, zero)), ToBitmap(Raster(1, 2, 8, style, 2, one)));
}

TEST(RasterRender, EachBitLandsOnItsMark) {
  // Bit 0 of block 0: cell (2, 1) -- block cell (1, 0) since the diagonal is reserved -- mark A.
  DiffBox d = OneBit(Style::Dots, 0, 0);
  EXPECT_EQ(d.count, 4);
  EXPECT_EQ(d.x0, 16);
  EXPECT_EQ(d.y0, 8);
  d = OneBit(Style::Dots, 0, 1);  // mark B: the middle dot of the same cell
  EXPECT_EQ(d.x0, 20);
  EXPECT_EQ(d.y0, 12);
  d = OneBit(Style::Dots, 1, 0);  // data bit 8: block cell (5, 0), mark A
  EXPECT_EQ(d.x0, 48);
  d = OneBit(Style::Dots, 14, 0);  // block 1 starts 8 cells to the right
  EXPECT_EQ(d.x0, 80);
  EXPECT_EQ(d.y0, 8);
  d = OneBit(Style::Lines, 0, 0);  // a segment along the top edge of cell (2, 1), between its nodes
  EXPECT_EQ(d.y0, 8);
  EXPECT_EQ(d.y1, 10);
  EXPECT_GE(d.x0, 16);
  EXPECT_LE(d.x1, 26);
  EXPECT_GE(d.count, 2 * 6);
  d = OneBit(Style::Lines, 0, 1);  // a segment along the left edge
  EXPECT_EQ(d.x0, 16);
  EXPECT_EQ(d.x1, 18);
  EXPECT_GE(d.y0, 8);
  EXPECT_LE(d.y1, 18);
}

TEST(RasterRender, MarksThatRunTogetherStillRender) {
  const Raster raster = MakeRaster(2, 2, 3, Style::Lines, 8);
  EXPECT_EQ(raster.width(), 3 * 18 + 8);
  std::vector<std::uint8_t> row(raster.row_bytes());
  for (int y = 0; y < raster.height(); ++y) raster.RenderRow(y, row.data());
}

TEST(RasterRender, LargestSymbolRendersRowsOnDemand) {
  const Raster raster = MakeRaster(254, 254, 128, Style::Lines, 8);
  std::vector<std::uint8_t> row(raster.row_bytes());
  raster.RenderRow(0, row.data());
  EXPECT_EQ(row[0], 0);  // the top border is solid black
  EXPECT_EQ(row[static_cast<std::size_t>(raster.width()) / 8 - 1], 0);
  raster.RenderRow(raster.height() / 2 + 3, row.data());
  EXPECT_EQ(row[0] & 0x80, 0);  // the left border
  raster.RenderRow(raster.height() - 1, row.data());
}

TEST(RasterRender, BadArgumentsFailLoudly) {
  const Bytes one_block(14, 0);
  EXPECT_THROW(Raster(1, 1, 8, Style::Lines, 2, Bytes(13, 0)), std::invalid_argument);
  EXPECT_THROW(Raster(0, 1, 8, Style::Lines, 2, Bytes{}), std::invalid_argument);
  EXPECT_THROW(Raster(1, 1, 2, Style::Lines, 2, one_block), std::invalid_argument);
  EXPECT_THROW(Raster(1, 1, 129, Style::Lines, 2, one_block), std::invalid_argument);
  EXPECT_THROW(Raster(1, 1, 8, Style::Lines, 9, one_block), std::invalid_argument);
  EXPECT_THROW(Raster(1, 1, 8, static_cast<Style>(7), 2, one_block), std::invalid_argument);
  const Raster raster(1, 1, 8, Style::Dots, 2, one_block);
  std::vector<std::uint8_t> row(raster.row_bytes());
  EXPECT_THROW(raster.RenderRow(-1, row.data()), std::out_of_range);
  EXPECT_THROW(raster.RenderRow(raster.height(), row.data()), std::out_of_range);
}

TEST(RasterRender, ClearRunPaintsExactlyItsBits) {
  for (int x0 = 0; x0 < 40; ++x0) {
    for (int x1 = x0; x1 <= 40; ++x1) {
      std::uint8_t row[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
      raster::ClearRun(row, x0, x1);
      for (int x = 0; x < 48; ++x) {
        const bool white = (row[x / 8] >> (7 - x % 8)) & 1;
        ASSERT_EQ(white, x < x0 || x >= x1) << x0 << ".." << x1 << " at " << x;
      }
    }
  }
}

std::uint32_t Le32(const Bytes& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

TEST(RasterRender, BmpHeaderFields) {
  const Bytes h = MakeBmpHeader(74, 42);
  ASSERT_EQ(h.size(), 62u);
  EXPECT_EQ(h[0], 'B');
  EXPECT_EQ(h[1], 'M');
  EXPECT_EQ(Le32(h, 2), 62u + 12 * 42);  // 74 pixels: 10 bytes, padded to 12
  EXPECT_EQ(Le32(h, 10), 62u);           // pixel data right after the palette
  EXPECT_EQ(Le32(h, 14), 40u);
  EXPECT_EQ(Le32(h, 18), 74u);
  EXPECT_EQ(Le32(h, 22), 42u);       // positive: bottom-up
  EXPECT_EQ(h[26] | h[27] << 8, 1);  // planes
  EXPECT_EQ(h[28] | h[29] << 8, 1);  // bits per pixel
  EXPECT_EQ(Le32(h, 30), 0u);        // uncompressed
  EXPECT_EQ(Le32(h, 34), 12u * 42);
  EXPECT_EQ(Le32(h, 46), 2u);
  EXPECT_EQ(Le32(h, 54), 0x000000u);  // index 0 black
  EXPECT_EQ(Le32(h, 58), 0xFFFFFFu);  // index 1 white
}

}  // namespace
}  // namespace tessellux::symbol
