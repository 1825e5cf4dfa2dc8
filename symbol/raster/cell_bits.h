#pragma once

// The compact description a raster renders from: one bit per mark position,
// two per cell, packed. About 1 MB for the largest symbol.

#include <cstdint>
#include <vector>

#include "symbol/raster/layout.h"
#include "symbol/types.h"

namespace tessellux::symbol::raster {

class CellBits {
 public:
  CellBits(int cell_cols, int cell_rows);

  bool Get(int i, int j, Mark mark) const {
    std::size_t n = Index(i, j, mark);
    return (words_[n / 64] >> (n % 64)) & 1U;
  }
  void Set(int i, int j, Mark mark, bool on);

 private:
  std::size_t Index(int i, int j, Mark mark) const {
    return (static_cast<std::size_t>(j) * cols_ + static_cast<std::size_t>(i)) * 2 + static_cast<std::size_t>(mark);
  }
  int cols_;
  std::vector<std::uint64_t> words_;
};

// Cell of position (cx, cy) in block b (blocks row by row, left to right).
inline int BlockCellCol(const Layout& layout, int b, int cx) { return 1 + 8 * (b % layout.cols) + cx; }
inline int BlockCellRow(const Layout& layout, int b, int cy) { return 1 + 8 * (b / layout.cols) + cy; }

// Frame, reference marks and the codewords (layout.rows * cols * 14 bytes).
CellBits ComposeCells(const Layout& layout, const Bytes& codewords);

}  // namespace tessellux::symbol::raster
