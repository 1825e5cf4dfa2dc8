#pragma once

// Where every mark of a symbol sits. The picture is a grid of N x M cells of
// g pixels (N = 8 * cols + 2, M = 8 * rows + 2); the outermost ring of cells
// is the frame, the rest are blocks of 8 x 8 data cells. Every cell has two
// mark positions:
//   Lines: A = segment along the cell's top edge, B = along its left edge,
//          each t thick and running from grid node to grid node inclusive;
//          Lines also close the picture with a line right and bottom (the
//          extra t pixels of width and height).
//   Dots:  A = t x t dot at the cell's top-left node, B = t x t dot offset
//          by h = g / 2 both ways (the cell's middle).

#include <cstdint>

#include "protocol/block_geometry.h"
#include "symbol/types.h"

namespace tessellux::symbol::raster {

enum class Mark : std::uint8_t { A = 0, B = 1 };

// A rectangle relative to a cell's top-left pixel: [x0, x1) x [y0, y1).
struct Box {
  int x0 = 0, x1 = 0, y0 = 0, y1 = 0;
  bool empty() const { return x1 <= x0 || y1 <= y0; }
};

struct Layout {
  int rows = 0, cols = 0, grid = 0, thickness = 0;
  Style style = Style::Lines;

  int cell_cols() const { return 8 * cols + 2; }
  int cell_rows() const { return 8 * rows + 2; }
  int extra() const { return style == Style::Lines ? thickness : 0; }
  int width() const { return grid * cell_cols() + extra(); }
  int height() const { return grid * cell_rows() + extra(); }
  int dot_offset() const { return grid / 2; }

  // Every pixel a mark covers.
  Box Shape(Mark mark) const;
  // The pixels that tell this mark apart from its neighbours (Lines: the
  // segment without its end nodes); empty when the marks run together.
  Box Sample(Mark mark) const;
  // True when every mark keeps at least one white pixel from every other
  // mark it is not meant to join.
  bool MarksApart() const;

  bool IsFrameCell(int i, int j) const { return i == 0 || j == 0 || i == cell_cols() - 1 || j == cell_rows() - 1; }
  // The fixed pattern of the frame ring; asymmetric top/bottom so that a
  // picture upside down does not match it.
  bool FrameBit(int i, int j, Mark mark) const;
};

using protocol::kBytesPerBlock;
constexpr int kMarksPerBlock = 128;

// Inside a block, the 8 diagonal cells carry fixed reference marks; the
// other 112 positions carry the block's 14 bytes.
constexpr bool IsReferencePosition(int cx, int cy) { return cx == cy; }
constexpr bool ReferenceBit(int cx, int /*cy*/, Mark mark) { return mark == Mark::A || cx % 2 == 0; }

struct BlockPosition {
  std::uint8_t cx, cy;
  Mark mark;
};
// Position of data bit d (0..111) of a block: byte d / 8, bit 7 - d % 8.
const BlockPosition& DataPosition(int d);

inline int FloorDiv(int a, int b) {
  const int q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

}  // namespace tessellux::symbol::raster
