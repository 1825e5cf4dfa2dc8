#pragma once

// Helpers for whole-symbol tests: build, turn into a BMP file, flip, read.

#include <gtest/gtest.h>

#include <algorithm>
#include <variant>

#include "symbol/symbol.h"

namespace tessellux::symbol::testing {

inline BuildRequest Request(Content content, Layout layout = {}, Security security = {}) {
  BuildRequest request;
  request.content = std::move(content);
  request.layout = layout;
  request.security = std::move(security);
  return request;
}

inline Layout MakeLayout(int rows, int cols, int reserved, int grid, Style style, int thickness) {
  Layout layout;
  layout.rows = rows;
  layout.cols = cols;
  layout.reserved = reserved;
  layout.grid = grid;
  layout.style = style;
  layout.thickness = thickness;
  return layout;
}

inline Bytes MustBuildBmp(const BuildRequest& request, Geometry* geometry = nullptr) {
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

inline ReadResult MustRead(const Bytes& bmp, const ReaderKeys& keys = {}) {
  auto read = ReadSymbol(bmp, keys);
  if (auto* error = std::get_if<ReadError>(&read)) {
    ADD_FAILURE() << "read failed: " << error->message;
    return {};
  }
  return std::get<ReadResult>(read);
}

}  // namespace tessellux::symbol::testing
