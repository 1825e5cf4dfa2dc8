#pragma once

// Helpers shared by the raster tests: whole BMP files from a raster, the way
// the service sends them (header, then rows bottom-up; mirrored = the rows
// joined in reverse order).

#include <cstdint>
#include <stdexcept>
#include <string>
#include <variant>

#include "symbol/raster.h"
#include "tests/symbol/codec_test_support.h"

namespace tessellux::symbol::test {

using testing::RandomBytes;

inline Raster MakeRaster(int rows, int cols, int grid, Style style, int thickness, std::uint32_t seed = 1) {
  return Raster(rows, cols, grid, style, thickness,
                RandomBytes(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols) * 14, seed));
}

inline Bytes ToBmpFile(const Raster& raster, bool mirrored = false) {
  Bytes file = MakeBmpHeader(raster.width(), raster.height());
  const std::size_t header = file.size(), stride = raster.row_bytes();
  file.resize(header + stride * static_cast<std::size_t>(raster.height()));
  for (int k = 0; k < raster.height(); ++k) {
    const int y = mirrored ? k : raster.height() - 1 - k;  // stored row k
    raster.RenderRow(y, file.data() + header + stride * static_cast<std::size_t>(k));
  }
  return file;
}

inline Bitmap ToBitmap(const Raster& raster, bool mirrored = false) {
  auto parsed = ParseBmp(ToBmpFile(raster, mirrored));
  if (auto* error = std::get_if<std::string>(&parsed)) throw std::runtime_error(*error);
  return std::get<Bitmap>(parsed);
}

}  // namespace tessellux::symbol::test
