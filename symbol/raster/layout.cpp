#include "symbol/raster/layout.h"

#include <array>

namespace tessellux::symbol::raster {

Box Layout::Shape(Mark mark) const {
  const int g = grid, t = thickness, h = dot_offset();
  if (style == Style::Lines) {
    return mark == Mark::A ? Box{0, g + t, 0, t} : Box{0, t, 0, g + t};
  }
  return mark == Mark::A ? Box{0, t, 0, t} : Box{h, h + t, h, h + t};
}

Box Layout::Sample(Mark mark) const {
  if (!MarksApart()) return {};
  const int g = grid, t = thickness;
  if (style == Style::Lines) {
    return mark == Mark::A ? Box{t, g, 0, t} : Box{0, t, t, g};
  }
  return Shape(mark);
}

bool Layout::MarksApart() const {
  if (style == Style::Lines) return thickness < grid;
  // Dots A and B sit h apart diagonally, and B and the next A g - h >= h:
  // a white pixel between them needs t <= h - 1.
  return thickness < dot_offset();
}

bool Layout::FrameBit(int i, int j, Mark mark) const {
  const int last_i = cell_cols() - 1, last_j = cell_rows() - 1;
  if (mark == Mark::A) {
    if (j == 0 || j == last_j) return true;  // top and bottom borders
    return i == 0 ? j % 2 == 0 : j % 2 == 1;
  }
  if (i == 0 || i == last_i) return true;   // left and right borders
  return j == 0 ? i % 2 == 0 : i % 2 == 1;  // top ticks even, bottom odd
}

namespace {

using PositionTable = std::array<BlockPosition, kBytesPerBlock * 8>;

PositionTable MakeDataPositions() {
  PositionTable table{};
  int d = 0;
  for (int cy = 0; cy < 8; ++cy) {
    for (int cx = 0; cx < 8; ++cx) {
      if (IsReferencePosition(cx, cy)) continue;
      for (Mark mark : {Mark::A, Mark::B}) {
        table[d++] = {static_cast<std::uint8_t>(cx), static_cast<std::uint8_t>(cy), mark};
      }
    }
  }
  return table;
}

}  // namespace

const BlockPosition& DataPosition(int d) {
  static const PositionTable table = MakeDataPositions();
  return table[static_cast<std::size_t>(d)];
}

}  // namespace tessellux::symbol::raster
