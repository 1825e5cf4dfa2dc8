#pragma once

// A 10 x 10 symbol, k = 4, full of text, and copies of its picture with
// whole blocks painted over with noise.

#include <random>
#include <string>
#include <vector>

#include "symbol/codec/groups.h"
#include "tests/symbol/symbol_test_support.h"

namespace tessellux::symbol::testing {

struct TenByTen {
  static constexpr int kGrid = 4;
  const std::string text = std::string(StreamCapacity(10, 10, 4) - kPublicTextOverhead, 'D');
  const Bytes bmp = MustBuildBmp(Request({text, std::nullopt}, Layout{10, 10, 8, kGrid, Style::Lines, 1}));

  // Block b's 8 x 8 cells overwritten with random pixels. Rows are stored
  // bottom-up, 1 = white.
  Bytes Damaged(const std::vector<int>& blocks, std::mt19937& random) const {
    constexpr int kSide = kGrid * (8 * 10 + 2) + 1;
    constexpr std::size_t kRowBytes = (kSide + 31) / 32 * 4;
    Bytes out = bmp;
    for (int b : blocks) {
      const int x0 = (1 + 8 * (b % 10)) * kGrid, y0 = (1 + 8 * (b / 10)) * kGrid;
      for (int y = y0; y < y0 + 8 * kGrid; ++y) {
        std::uint8_t* row = out.data() + 62 + kRowBytes * static_cast<std::size_t>(kSide - 1 - y);
        for (int x = x0; x < x0 + 8 * kGrid; ++x) {
          const auto bit = static_cast<std::uint8_t>(0x80u >> (x % 8));
          row[x / 8] = (random() & 1) ? (row[x / 8] | bit) : (row[x / 8] & static_cast<std::uint8_t>(~bit));
        }
      }
    }
    return out;
  }
};

// The blocks that hold a byte of group g, in the group's byte order.
inline std::vector<int> BlocksOfGroup(const codec::GroupPlan& plan, std::size_t g) {
  std::vector<int> blocks;
  for (int j = 0; j < plan.Length(g); ++j) blocks.push_back(static_cast<int>(plan.Position(g, j) / kBytesPerBlock));
  return blocks;
}

}  // namespace tessellux::symbol::testing
