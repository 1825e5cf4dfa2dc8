#include "symbol/raster/row_render.h"

#include <algorithm>
#include <cstring>

namespace tessellux::symbol::raster {

void ClearRun(std::uint8_t* row, int x0, int x1) {
  if (x0 >= x1) return;
  const int first = x0 >> 3, last = (x1 - 1) >> 3;
  const auto lead = static_cast<std::uint8_t>(0xFFU >> (x0 & 7));
  const auto trail = static_cast<std::uint8_t>(0xFFU << (7 - ((x1 - 1) & 7)));
  if (first == last) {
    row[first] &= static_cast<std::uint8_t>(~(lead & trail));
    return;
  }
  row[first] &= static_cast<std::uint8_t>(~lead);
  std::memset(row + first + 1, 0, static_cast<std::size_t>(last - first - 1));
  row[last] &= static_cast<std::uint8_t>(~trail);
}

namespace {

void FillWhite(int width, std::uint8_t* out, std::size_t row_bytes) {
  const std::size_t full = static_cast<std::size_t>(width) / 8;
  std::memset(out, 0xFF, full);
  std::memset(out + full, 0, row_bytes - full);
  if (width % 8 != 0) out[full] = static_cast<std::uint8_t>(0xFFU << (8 - width % 8));
}

// The set marks of one cell row that reach the image row, merged into runs.
void PaintCellRow(const Layout& layout, const CellBits& cells, int j, Mark mark, std::uint8_t* out) {
  const Box shape = layout.Shape(mark);
  const int g = layout.grid, width = layout.width();
  int run_start = 0, run_end = 0;
  for (int i = 0; i < layout.cell_cols(); ++i) {
    if (!cells.Get(i, j, mark)) continue;
    const int a = i * g + shape.x0, b = std::min(width, i * g + shape.x1);
    if (a <= run_end && run_end > run_start) {
      run_end = std::max(run_end, b);
      continue;
    }
    ClearRun(out, run_start, run_end);
    run_start = a;
    run_end = b;
  }
  ClearRun(out, run_start, run_end);
}

void PaintClosingLines(const Layout& layout, int y, std::uint8_t* out) {
  const int g = layout.grid;
  if (y >= g * layout.cell_rows()) {
    ClearRun(out, 0, layout.width());
  } else {
    ClearRun(out, g * layout.cell_cols(), layout.width());
  }
}

}  // namespace

void RenderRow(const Layout& layout, const CellBits& cells, int y, std::uint8_t* out, std::size_t row_bytes) {
  FillWhite(layout.width(), out, row_bytes);
  const int g = layout.grid;
  for (Mark mark : {Mark::A, Mark::B}) {
    const Box shape = layout.Shape(mark);
    // Cell rows j with j * g + y0 <= y < j * g + y1.
    const int j_first = std::max(0, FloorDiv(y - shape.y1, g) + 1);
    const int j_last = std::min(layout.cell_rows() - 1, FloorDiv(y - shape.y0, g));
    for (int j = j_first; j <= j_last; ++j) PaintCellRow(layout, cells, j, mark, out);
  }
  if (layout.style == Style::Lines) PaintClosingLines(layout, y, out);
}

}  // namespace tessellux::symbol::raster
