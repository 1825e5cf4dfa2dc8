#pragma once

#include <string>

#include "geometry/style.h"

namespace tessellux::geometry {

// The texts beside the layout scroll bars, for scroll value v.
std::string RowsLabel(int v);             // "1 row", "2 rows", ... "254 rows"
std::string ColumnsLabel(int v);          // "1 column", "2 columns", ...
std::string ErrorCorrectionLabel(int v);  // two lines joined by "\r\n"
std::string GridSizeLabel(int v);
std::string ThicknessLabel(int v, Style style);

}  // namespace tessellux::geometry
