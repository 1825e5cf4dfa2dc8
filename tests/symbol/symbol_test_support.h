#pragma once

// Helpers for raster and whole-symbol tests: build, turn into a BMP file, flip, read.

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <variant>

#include "symbol/raster.h"
#include "symbol/symbol.h"
#include "tests/symbol/codec_test_support.h"

namespace tessellux::symbol::testing {

inline SymbolSpec Request(Content content, Layout layout = {}, Security security = {}) {
  return {layout, std::move(content), std::move(security)};
}

inline Bytes MustBuildBmp(const SymbolSpec& request, Geometry* geometry = nullptr) {
  auto built = BuildSymbol(request);
  if (!std::holds_alternative<Symbol>(built)) {
    ADD_FAILURE() << "build failed: " << Describe(std::get<BuildError>(built));
    return {};
  }
  if (geometry) *geometry = std::get<Symbol>(built).geometry();
  return std::get<Symbol>(built).ToBmp();
}

// The same picture with its rows in reverse order, as a mirrored print is fetched.
inline Bytes Mirrored(const Bytes& bmp) {
  constexpr std::size_t kHeader = 62;  // file and info headers, two palette entries
  const std::size_t width = bmp[18] | bmp[19] << 8 | bmp[20] << 16, row_bytes = (width + 31) / 32 * 4;
  Bytes out(bmp.begin(), bmp.begin() + kHeader);
  for (std::size_t r = (bmp.size() - kHeader) / row_bytes; r-- > 0;) {
    const auto start = bmp.begin() + static_cast<std::ptrdiff_t>(kHeader + r * row_bytes);
    out.insert(out.end(), start, start + static_cast<std::ptrdiff_t>(row_bytes));
  }
  return out;
}

// A raster of random codewords, and the BMP file the service would send for
// it (header, then rows bottom-up; mirrored = the rows in reverse order).
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

inline ReadResult MustRead(const Bytes& bmp, const ReaderKeys& keys = {}) {
  auto read = ReadSymbol(bmp, keys);
  if (auto* error = std::get_if<ReadError>(&read)) {
    ADD_FAILURE() << "read failed: " << error->message;
    return {};
  }
  return std::get<ReadResult>(read);
}

}  // namespace tessellux::symbol::testing
