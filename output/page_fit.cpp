#include "output/page_fit.h"

#include <algorithm>
#include <cmath>

#include "output/print_geometry.h"

namespace tessellux::output {

DotSize SymbolPageExtent(int dots_per_inch_y, int symbol_width, int symbol_height, int lines, int line_height,
                         int widest_half) {
  const SymbolPage page = PlaceSymbol(symbol_width, dots_per_inch_y, symbol_width, symbol_height);
  return {std::max(symbol_width, 2 * widest_half), page.annotation_y + lines * line_height};
}

DotSize SheetCellExtent(int dots_per_inch_x, int dots_per_inch_y, int symbol_width, int symbol_height) {
  return {InchesToDots(0.25, dots_per_inch_x) + symbol_width + InchesToDots(1.0, dots_per_inch_x),
          InchesToDots(0.25, dots_per_inch_y) + symbol_height + InchesToDots(0.5, dots_per_inch_y)};
}

std::optional<FitShortfall> CheckFit(DotSize extent, DotSize printable, DotSize symbol, int dots_per_inch_x,
                                     int dots_per_inch_y, int grid, int thickness) {
  if (extent.width <= printable.width && extent.height <= printable.height) return std::nullopt;
  FitShortfall shortfall;
  shortfall.needed_width = static_cast<double>(extent.width) / dots_per_inch_x;
  shortfall.needed_height = static_cast<double>(extent.height) / dots_per_inch_y;
  shortfall.printable_width = static_cast<double>(printable.width) / dots_per_inch_x;
  shortfall.printable_height = static_cast<double>(printable.height) / dots_per_inch_y;
  // The room left for the symbol once the parts that do not scale are paid.
  const double room_x = printable.width - (extent.width - symbol.width);
  const double room_y = printable.height - (extent.height - symbol.height);
  if (room_x <= 0 || room_y <= 0 || symbol.width <= 0 || symbol.height <= 0) return shortfall;
  const double scale = std::min(room_x / symbol.width, room_y / symbol.height);
  const int fitting = std::min(grid - 1, static_cast<int>(std::floor(grid * scale)));
  if (fitting >= kSmallestGrid) {
    shortfall.grid_at_most = fitting;
    shortfall.thickness_at_most = std::min(thickness, fitting - 1);
  }
  return shortfall;
}

}  // namespace tessellux::output
