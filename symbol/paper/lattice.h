#pragma once

// The symbol in lattice coordinates: one unit per cell, grid node (i, j) at
// (i, j), measured from the centre of the first frame line (Lines) or dot
// (Dots). There the marks sit at fixed points whatever the thickness:
//   Lines: A of cell (i, j) at (i + 1/2, j), B at (i, j + 1/2); the cell's
//          middle (i + 1/2, j + 1/2) is always paper.
//   Dots:  A at (i, j), B at (i + eta, j + eta) with eta = floor(g/2) / g;
//          (i + 1/2, j) is always paper.
// A picture then needs only the map from lattice to image.

#include <vector>

#include "symbol/paper.h"
#include "symbol/raster/layout.h"

namespace tessellux::symbol::paper {

struct LatticeShape {
  Style style = Style::Lines;
  int cols = 1, rows = 1;  // blocks
  double eta = 0.5;        // Dots: offset of mark B; unused for Lines

  int cell_cols() const { return 8 * cols + 2; }
  int cell_rows() const { return 8 * rows + 2; }
  // The lattice points of the symbol's outermost ink centres (frame line or
  // dot centres), corner k clockwise from the top left.
  PointF Corner(int k) const;
};

PointF MarkPoint(const LatticeShape& shape, int i, int j, raster::Mark mark);
PointF PaperPoint(const LatticeShape& shape, int i, int j);

// A point whose grey value is known: ink or paper.
struct Anchor {
  PointF at;
  bool ink = false;
};

// The frame ring's marks and paper points (with the closing lines of
// Lines), and the reference marks of up to `max_blocks` blocks spread over
// the symbol with the paper points of their diagonal cells.
std::vector<Anchor> KnownPoints(const LatticeShape& shape, int max_blocks);

// The reference marks and the paper points of one block.
void BlockReferencePoints(const LatticeShape& shape, int b, std::vector<Anchor>& out);

}  // namespace tessellux::symbol::paper
