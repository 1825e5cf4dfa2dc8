#include <utility>

#include "codegen/builder.h"

namespace tessellux::codegen {
namespace {

class SymbolPicture final : public BuiltPicture {
 public:
  explicit SymbolPicture(symbol::Symbol symbol) : symbol_(std::move(symbol)) {}
  symbol::Geometry geometry() const override { return symbol_.geometry(); }
  int height() const override { return symbol_.height(); }
  std::size_t row_bytes() const override { return symbol_.row_bytes(); }
  Bytes BmpHeader() const override { return symbol_.BmpHeader(); }
  void RenderRow(int y, std::uint8_t* out) const override { symbol_.RenderRow(y, out); }

 private:
  symbol::Symbol symbol_;
};

}  // namespace

Builder MakeSymbolBuilder(symbol::BuildLimits limits) {
  return [limits](const symbol::BuildRequest& request) -> BuildOutcome {
    auto built = symbol::BuildSymbol(request, limits);
    if (auto* error = std::get_if<symbol::BuildError>(&built)) return *error;
    return std::make_unique<SymbolPicture>(std::move(std::get<symbol::Symbol>(built)));
  };
}

}  // namespace tessellux::codegen
