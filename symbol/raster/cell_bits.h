#pragma once

// The compact description a raster renders from: one bit per mark position,
// two per cell, packed. About 1 MB for the largest symbol.
//
// Two bit planes, one per mark (A, B). In each plane a cell row is `stride()`
// bytes; cell i sits in byte i / 8, bit i % 8 (least significant first), so
// one byte holds the eight cells a row renderer paints with one table entry.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "symbol/raster/layout.h"
#include "symbol/types.h"

namespace tessellux::symbol::raster {

class CellBits {
 public:
  CellBits(int cell_cols, int cell_rows);

  void Set(int i, int j, Mark mark, bool on);

  std::size_t stride() const { return stride_; }
  const std::uint8_t* Row(int j, Mark mark) const { return bytes_.data() + Offset(j, mark); }
  std::uint8_t* Row(int j, Mark mark) { return bytes_.data() + Offset(j, mark); }

 private:
  std::size_t Offset(int j, Mark mark) const {
    return (static_cast<std::size_t>(j) * 2 + static_cast<std::size_t>(mark)) * stride_;
  }
  std::size_t stride_;
  std::vector<std::uint8_t> bytes_;
};

// Cell of position (cx, cy) in block b (blocks row by row, left to right).
inline int BlockCellCol(const Layout& layout, int b, int cx) { return 1 + 8 * (b % layout.cols) + cx; }
inline int BlockCellRow(const Layout& layout, int b, int cy) { return 1 + 8 * (b / layout.cols) + cy; }

// Frame, reference marks and the codewords (layout.rows * cols * 14 bytes).
CellBits ComposeCells(const Layout& layout, const Bytes& codewords);

}  // namespace tessellux::symbol::raster
