#include "symbol/raster.h"

#include <stdexcept>
#include <string>

namespace tessellux::symbol {

namespace {

void Require(bool ok, const char* what) {
  if (!ok) throw std::invalid_argument(std::string("raster: ") + what);
}

raster::Layout CheckedLayout(int rows, int cols, int grid, Style style, int thickness, const Bytes& codewords) {
  Require(rows >= 1 && rows <= 254, "block rows out of range 1..254");
  Require(cols >= 1 && cols <= 254, "block columns out of range 1..254");
  Require(grid >= 3 && grid <= 128, "grid size out of range 3..128");
  Require(thickness >= 1 && thickness <= 8, "thickness out of range 1..8");
  Require(style == Style::Lines || style == Style::Dots, "unknown style");
  Require(
      codewords.size() == static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols) * raster::kBytesPerBlock,
      "codeword count is not rows * cols * 14");
  return raster::Layout{rows, cols, grid, thickness, style};
}

}  // namespace

Raster::Raster(int rows, int cols, int grid, Style style, int thickness, Bytes codewords)
    : layout_(CheckedLayout(rows, cols, grid, style, thickness, codewords)),
      cells_(raster::ComposeCells(layout_, codewords)),
      renderer_(layout_) {}

int Raster::width() const { return layout_.width(); }

int Raster::height() const { return layout_.height(); }

std::size_t Raster::row_bytes() const { return (static_cast<std::size_t>(layout_.width()) + 31) / 32 * 4; }

void Raster::RenderRow(int y, std::uint8_t* out) const {
  if (y < 0 || y >= height()) throw std::out_of_range("raster: row " + std::to_string(y) + " outside the picture");
  renderer_.Render(cells_, y, out, row_bytes());
}

}  // namespace tessellux::symbol
