#include "geometry/labels.h"

#include "geometry/layout_values.h"

namespace tessellux::geometry {

std::string RowsLabel(int v) {
  return v == 0 ? "1 row" : std::to_string(BlockCount(v)) + " rows";
}

std::string ColumnsLabel(int v) {
  return v == 0 ? "1 column" : std::to_string(BlockCount(v)) + " columns";
}

std::array<std::string, 2> ErrorCorrectionLabel(int v) {
  return {std::to_string(ReservedBytes(v)) + "/48 bytes reserved",
          std::to_string(CorrectableBytes(v)) + "/48 bytes correctable"};
}

std::string GridSizeLabel(int v) { return std::to_string(v) + "-pixel line separation"; }

std::string ThicknessLabel(int v, Style style) {
  return std::to_string(v) + (style == Style::kLines ? "-pixel line thickness" : " dot size");
}

}  // namespace tessellux::geometry
