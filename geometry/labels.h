#pragma once

#include <array>
#include <string>

#include "geometry/style.h"

namespace tessellux::geometry {

// The texts beside the layout scroll bars, for scroll value v.
std::string RowsLabel(int v);             // "1 row", "2 rows", ... "254 rows"
std::string ColumnsLabel(int v);          // "1 column", "2 columns", ...
// Two lines: the bytes reserved, then the bytes correctable; the window
// shows them one under the other.
std::array<std::string, 2> ErrorCorrectionLabel(int v);
std::string GridSizeLabel(int v);
std::string ThicknessLabel(int v, Style style);

}  // namespace tessellux::geometry
