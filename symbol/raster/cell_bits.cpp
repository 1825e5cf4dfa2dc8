#include "symbol/raster/cell_bits.h"

namespace tessellux::symbol::raster {

CellBits::CellBits(int cell_cols, int cell_rows)
    : cols_(cell_cols),
      words_((static_cast<std::size_t>(cell_cols) * static_cast<std::size_t>(cell_rows) * 2 + 63) / 64) {}

void CellBits::Set(int i, int j, Mark mark, bool on) {
  std::size_t n = Index(i, j, mark);
  std::uint64_t bit = std::uint64_t{1} << (n % 64);
  if (on) {
    words_[n / 64] |= bit;
  } else {
    words_[n / 64] &= ~bit;
  }
}

namespace {

void ComposeFrameCell(const Layout& layout, int i, int j, CellBits& cells) {
  cells.Set(i, j, Mark::A, layout.FrameBit(i, j, Mark::A));
  cells.Set(i, j, Mark::B, layout.FrameBit(i, j, Mark::B));
}

void ComposeFrame(const Layout& layout, CellBits& cells) {
  const int n = layout.cell_cols(), m = layout.cell_rows();
  for (int i = 0; i < n; ++i) {
    ComposeFrameCell(layout, i, 0, cells);
    ComposeFrameCell(layout, i, m - 1, cells);
  }
  for (int j = 1; j < m - 1; ++j) {
    ComposeFrameCell(layout, 0, j, cells);
    ComposeFrameCell(layout, n - 1, j, cells);
  }
}

void ComposeBlock(const Layout& layout, int b, const std::uint8_t* bytes, CellBits& cells) {
  for (int k = 0; k < 8; ++k) {
    int i = BlockCellCol(layout, b, k), j = BlockCellRow(layout, b, k);
    cells.Set(i, j, Mark::A, ReferenceBit(k, k, Mark::A));
    cells.Set(i, j, Mark::B, ReferenceBit(k, k, Mark::B));
  }
  for (int d = 0; d < kBytesPerBlock * 8; ++d) {
    const BlockPosition& p = DataPosition(d);
    bool on = (bytes[d / 8] >> (7 - d % 8)) & 1U;
    cells.Set(BlockCellCol(layout, b, p.cx), BlockCellRow(layout, b, p.cy), p.mark, on);
  }
}

}  // namespace

CellBits ComposeCells(const Layout& layout, const Bytes& codewords) {
  CellBits cells(layout.cell_cols(), layout.cell_rows());
  ComposeFrame(layout, cells);
  const int blocks = layout.rows * layout.cols;
  for (int b = 0; b < blocks; ++b) {
    ComposeBlock(layout, b, codewords.data() + static_cast<std::size_t>(b) * kBytesPerBlock, cells);
  }
  return cells;
}

}  // namespace tessellux::symbol::raster
