#pragma once

// Whether a printed page fits the printable area, and if not, what to
// change. A print that does not fit is never sent: it would be cut off at
// the paper's edges, frame lines and all. Dots and inches; no Qt.

#include <optional>

namespace tessellux::output {

struct DotSize {
  int width = 0;
  int height = 0;
};

// What the "Print" page takes from the top-left of the printable area: the
// symbol a quarter inch down, and `lines` annotation lines of
// `line_height` from an inch below it, each reaching `widest_half` either
// side of the centre line (output/print_geometry.h places them).
DotSize SymbolPageExtent(int dots_per_inch_y, int symbol_width, int symbol_height, int lines, int line_height,
                         int widest_half);

// What the test sheet's first symbol needs: its cell a quarter inch in
// from the corner, with the room the sheet keeps right of and below it.
DotSize SheetCellExtent(int dots_per_inch_x, int dots_per_inch_y, int symbol_width, int symbol_height);

// Why a page does not fit, in inches, and what would make it fit.
struct FitShortfall {
  double needed_width = 0;
  double needed_height = 0;
  double printable_width = 0;
  double printable_height = 0;
  // The largest grid size at which the symbol would fit this paper (the
  // symbol's size follows the grid size), and the thickness that goes with
  // it (at most the current one, less than the grid). Zero when no grid
  // size is small enough: only larger paper helps.
  int grid_at_most = 0;
  int thickness_at_most = 0;
};

inline constexpr int kSmallestGrid = 3;

// Nothing when `extent` fits inside `printable`; otherwise the shortfall.
// `fixed` is the part of the extent that does not grow with the symbol
// (the annotations' room), `grid` and `thickness` the symbol's.
std::optional<FitShortfall> CheckFit(DotSize extent, DotSize printable, DotSize symbol, int dots_per_inch_x,
                                     int dots_per_inch_y, int grid, int thickness);

}  // namespace tessellux::output
