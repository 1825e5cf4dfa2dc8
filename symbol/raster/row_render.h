#pragma once

// Renders one image row from the cell description: the cells whose marks
// reach row y, their set marks as runs of black bytes. Cost is O(cells in a
// row + row bytes), independent of the picture's height.

#include <cstddef>
#include <cstdint>

#include "symbol/raster/cell_bits.h"
#include "symbol/raster/layout.h"

namespace tessellux::symbol::raster {

// Row y (0 = top): 1 bit per pixel, MSB first, 1 = white; row_bytes bytes,
// bits and bytes past the width zero.
void RenderRow(const Layout& layout, const CellBits& cells, int y, std::uint8_t* out, std::size_t row_bytes);

// Clears bits [x0, x1) of a packed row (paints them black).
void ClearRun(std::uint8_t* row, int x0, int x1);

}  // namespace tessellux::symbol::raster
