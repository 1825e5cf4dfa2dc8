#include "codegen/layout_check.h"

#include "symbol/codec.h"

namespace tessellux::codegen {

std::optional<std::string> LayoutProblem(const symbol::Layout& layout) {
  const auto problem = [](const char* name, int value, const char* range) {
    return std::string(name) + " " + std::to_string(value) + " is out of range (" + range + ")";
  };
  const auto count_ok = [](int count) { return count == 0 || symbol::ValidBlockCount(count); };
  if (!count_ok(layout.rows)) return problem("rows", layout.rows, "0 = automatic, else 1, 2, 4, ... 254");
  if (!count_ok(layout.cols)) return problem("columns", layout.cols, "0 = automatic, else 1, 2, 4, ... 254");
  if (!symbol::ValidReserved(layout.reserved))
    return problem("reserved bytes", layout.reserved, "0 = automatic, else 4, 6, ... 34");
  if (layout.grid < 3 || layout.grid > 128) return problem("grid", layout.grid, "3 to 128");
  if (layout.style != symbol::Style::Lines && layout.style != symbol::Style::Dots)
    return problem("style", static_cast<int>(layout.style), "1 = lines, 2 = dots");
  if (layout.thickness < 1 || layout.thickness > 8) return problem("thickness", layout.thickness, "1 to 8");
  return std::nullopt;
}

std::string BuildErrorText(symbol::BuildError error, const symbol::Layout& layout) {
  std::string text = symbol::Describe(error);
  if (error == symbol::BuildError::BadParameters) {
    if (const auto problem = LayoutProblem(layout)) text += ": " + *problem;
  }
  return text;
}

}  // namespace tessellux::codegen
