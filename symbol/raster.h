#pragma once

// The raster: codewords <-> pixels. A symbol of r block rows and c block
// columns is g * (8c + 2) + e pixels wide and g * (8r + 2) + e high (g grid,
// t thickness, e = t for Lines, 0 for Dots): 8 x 8 cells per block and one
// frame cell round the edge. Each block carries 14 bytes.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "symbol/raster/cell_bits.h"
#include "symbol/raster/layout.h"
#include "symbol/raster/row_render.h"
#include "symbol/types.h"

namespace tessellux::symbol {

class Raster {
 public:
  // codewords: rows * cols * 14 bytes. Throws std::invalid_argument for
  // sizes out of range (rows, cols 1..254, grid 3..128, thickness 1..8) or a
  // codeword count that does not match. Marks that run together are drawn
  // all the same (the reader then refuses the picture).
  Raster(int rows, int cols, int grid, Style style, int thickness, Bytes codewords);

  int width() const;
  int height() const;
  std::size_t row_bytes() const;  // padded to a multiple of 4
  // Image row y (0 = top): 1 bit per pixel, MSB first, 1 = white, 0 = black;
  // writes row_bytes() bytes, padding zero. Throws std::out_of_range for y
  // outside 0..height() - 1.
  void RenderRow(int y, std::uint8_t* out) const;

 private:
  raster::Layout layout_;
  raster::CellBits cells_;  // frame, reference marks and codewords, one bit per mark
  raster::RowRenderer renderer_;
};

// BMP file header + BITMAPINFOHEADER (positive height: bottom-up rows)
// + palette {0: black, 1: white}.
Bytes MakeBmpHeader(int width, int height);

// A decoded 1-bit picture, rows top to bottom as the file shows them,
// packed eight pixels a byte (most significant bit first, 1 = black mark):
// the largest symbol is 62.6 MB this way, not 500 MB at a byte a pixel.
struct Bitmap {
  Bitmap() = default;
  Bitmap(int w, int h)
      : width(w), height(h), stride((static_cast<std::size_t>(w) + 7) / 8),
        bits(stride * static_cast<std::size_t>(h), 0) {}

  int width = 0;
  int height = 0;
  std::size_t stride = 0;  // bytes a row
  std::vector<std::uint8_t> bits;

  bool black(int x, int y) const {
    return (bits[static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x) / 8] >> (7 - x % 8)) & 1;
  }
  void set(int x, int y, bool is_black) {
    std::uint8_t& byte = bits[static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x) / 8];
    const auto mask = static_cast<std::uint8_t>(0x80 >> (x % 8));
    byte = is_black ? (byte | mask) : (byte & ~mask);
  }
  std::uint8_t* row(int y) { return bits.data() + static_cast<std::size_t>(y) * stride; }
  bool consistent() const {
    return width > 0 && height > 0 && stride == (static_cast<std::size_t>(width) + 7) / 8 &&
           bits.size() == stride * static_cast<std::size_t>(height);
  }
};

std::variant<Bitmap, std::string> ParseBmp(const Bytes& file);
// A 1-bit black-and-white BMP made into the picture in the file's own
// buffer, so that the largest symbol is held once: `file` is then empty.
// Anything else (other depths or palettes, a damaged file): nothing, and
// `file` untouched for ParseBmp or an image decoder.
std::optional<Bitmap> TakeBmp(Bytes& file);

struct Sampled {
  int rows = 0, cols = 0, grid = 0, thickness = 0;
  Style style = Style::Lines;
  bool mirrored = false;  // the picture was upside down (rows in reverse order)
  Bytes codewords;        // rows * cols * 14
  std::vector<std::uint8_t> wrong_references;  // per block: reference marks read wrong, 0..16
};

// Finds the frame and the grid, samples every cell. Frame candidates are
// tried best fit first; one whose marks run together or whose reference
// marks do not match gives way to the next. Error text when no candidate
// holds a readable symbol.
std::variant<Sampled, std::string> SampleBitmap(const Bitmap& bitmap);

}  // namespace tessellux::symbol
