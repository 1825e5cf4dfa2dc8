#include "symbol/paper/lattice.h"

#include <algorithm>

namespace tessellux::symbol::paper {

using raster::Mark;

PointF LatticeShape::Corner(int k) const {
  // Lines end in the closing lines at N and M; Dots in the last column's and
  // row's B dots.
  const double right = style == Style::Lines ? cell_cols() : cell_cols() - 1 + eta;
  const double bottom = style == Style::Lines ? cell_rows() : cell_rows() - 1 + eta;
  const PointF corners[4] = {{0, 0}, {right, 0}, {right, bottom}, {0, bottom}};
  return corners[k & 3];
}

PointF MarkPoint(const LatticeShape& shape, int i, int j, Mark mark) {
  if (shape.style == Style::Lines) return mark == Mark::A ? PointF{i + 0.5, j * 1.0} : PointF{i * 1.0, j + 0.5};
  return mark == Mark::A ? PointF{i * 1.0, j * 1.0} : PointF{i + shape.eta, j + shape.eta};
}

PointF PaperPoint(const LatticeShape& shape, int i, int j) {
  return shape.style == Style::Lines ? PointF{i + 0.5, j + 0.5} : PointF{i + 0.5, j * 1.0};
}

namespace {

void FrameCell(const LatticeShape& shape, const raster::Layout& layout, int i, int j, std::vector<Anchor>& out) {
  for (Mark mark : {Mark::A, Mark::B}) out.push_back({MarkPoint(shape, i, j, mark), layout.FrameBit(i, j, mark)});
  out.push_back({PaperPoint(shape, i, j), false});
}

}  // namespace

std::vector<Anchor> KnownPoints(const LatticeShape& shape, int max_blocks) {
  const raster::Layout layout{shape.rows, shape.cols, 8, 1, shape.style};
  const int n = shape.cell_cols(), m = shape.cell_rows();
  std::vector<Anchor> out;
  for (int i = 0; i < n; ++i) {
    FrameCell(shape, layout, i, 0, out);
    FrameCell(shape, layout, i, m - 1, out);
    if (shape.style == Style::Lines) out.push_back({PointF{i + 0.5, m * 1.0}, true});  // closing line
  }
  for (int j = 1; j < m - 1; ++j) {
    FrameCell(shape, layout, 0, j, out);
    FrameCell(shape, layout, n - 1, j, out);
  }
  if (shape.style == Style::Lines)
    for (int j = 0; j < m; ++j) out.push_back({PointF{n * 1.0, j + 0.5}, true});
  const int blocks = shape.rows * shape.cols;
  const int stride = std::max(1, blocks / std::max(1, max_blocks));
  for (int b = 0; b < blocks; b += stride) BlockReferencePoints(shape, b, out);
  return out;
}

void BlockReferencePoints(const LatticeShape& shape, int b, std::vector<Anchor>& out) {
  const int i0 = 1 + 8 * (b % shape.cols), j0 = 1 + 8 * (b / shape.cols);
  for (int k = 0; k < 8; ++k) {
    for (Mark mark : {Mark::A, Mark::B})
      out.push_back({MarkPoint(shape, i0 + k, j0 + k, mark), raster::ReferenceBit(k, k, mark)});
    out.push_back({PaperPoint(shape, i0 + k, j0 + k), false});
  }
}

}  // namespace tessellux::symbol::paper
