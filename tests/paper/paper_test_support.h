#pragma once

// Helpers for reading symbols from simulated paper: build a symbol, print
// and scan it, read the picture back and compare.

#include <gtest/gtest.h>

#include <string>
#include <variant>

#include "scan/print_scan.h"
#include "symbol/paper.h"
#include "tests/symbol/symbol_test_support.h"

namespace tessellux::symbol::testing {

struct PrintedSymbol {
  Bitmap bitmap;
  std::string text;
};

inline PrintedSymbol MakeSymbol(const std::string& text, Style style, int blocks = 2, Security security = {},
                                int grid = 8, int thickness = 2) {
  const Layout layout{blocks, blocks, 0, grid, style, thickness};
  const Bytes bmp = MustBuildBmp(Request({text, std::nullopt}, layout, std::move(security)));
  auto parsed = ParseBmp(bmp);
  if (!std::holds_alternative<Bitmap>(parsed)) {
    ADD_FAILURE() << "bitmap: " << std::get<std::string>(parsed);
    return {};
  }
  return {std::get<Bitmap>(parsed), text};
}

// The read of the largest symbol: its text, or the error with a prefix.
inline std::string ReadText(const GreyImage& image, const ReaderKeys& keys = {}) {
  const auto reads = ReadGreyPicture(image, keys);
  if (const auto* result = std::get_if<ReadResult>(&reads.front().result)) return result->content.text;
  return "refused: " + std::get<ReadError>(reads.front().result).message;
}

inline scan::ScannedPage PrintAndScan(const PrintedSymbol& symbol, const scan::ScanSettings& scan,
                                      const scan::PrintSettings& print = {}) {
  return scan::PrintAndScan(symbol.bitmap, print, scan);
}

// Scanned pixels per cell of a grid-8 symbol printed `dots` printer dots per pixel.
inline double CellPixels(const scan::PrintSettings& print, double dpi, int grid = 8) {
  return grid * print.dots_per_pixel * dpi / print.printer_dpi;
}

}  // namespace tessellux::symbol::testing
