#include <utility>

#include "codegen/builder.h"

namespace tessellux::codegen {
namespace {

// What a built symbol keeps: two bit planes of one bit per cell, two tables
// of 256 ready-made pixel patterns, the last row rendered, small change.
std::size_t PictureHeldBytes(const symbol::Layout& layout, std::size_t row_bytes) {
  const auto cell_cols = static_cast<std::size_t>(8 * layout.cols + 2);
  const auto cell_rows = static_cast<std::size_t>(8 * layout.rows + 2);
  const auto grid = static_cast<std::size_t>(layout.grid);
  const std::size_t planes = 2 * ((cell_cols + 7) / 8) * cell_rows;
  const std::size_t patterns = 2 * 256 * ((grid + 1 + 7) / 8) * 8;
  return planes + patterns + 16 * grid + row_bytes + 1024;
}

class SymbolPicture final : public BuiltPicture {
 public:
  explicit SymbolPicture(symbol::Symbol symbol) : symbol_(std::move(symbol)) {}
  symbol::Geometry geometry() const override { return symbol_.geometry(); }
  int height() const override { return symbol_.height(); }
  std::size_t row_bytes() const override { return symbol_.row_bytes(); }
  Bytes BmpHeader() const override { return symbol_.BmpHeader(); }
  void RenderRow(int y, std::uint8_t* out) const override { symbol_.RenderRow(y, out); }
  std::size_t held_bytes() const override { return PictureHeldBytes(symbol_.layout(), symbol_.row_bytes()); }

 private:
  symbol::Symbol symbol_;
};

}  // namespace

Builder MakeSymbolBuilder(symbol::BuildLimits limits) {
  return [limits](const symbol::SymbolSpec& request) -> BuildOutcome {
    auto built = symbol::BuildSymbol(request, limits);
    if (auto* error = std::get_if<symbol::BuildError>(&built)) return *error;
    return std::make_unique<SymbolPicture>(std::move(std::get<symbol::Symbol>(built)));
  };
}

}  // namespace tessellux::codegen
