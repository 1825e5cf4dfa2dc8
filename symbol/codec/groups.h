#pragma once

// How a symbol's codewords divide into Reed-Solomon groups and where each
// group byte lies. The rows x cols x 14 codewords form groups of 48 bytes
// (data, then 2k parity); a remainder longer than 2k bytes is one shortened
// group, a shorter one is filler that carries nothing. Byte j of group g is
// placed column-wise (all groups' byte 0, then all byte 1, ...), so the 14
// bytes of one block belong to 14 different groups once there are that many.

#include <cstddef>

#include "symbol/codec.h"

namespace tessellux::symbol::codec {

struct GroupPlan {
  int rows = 0;
  int cols = 0;
  int k = 0;
  std::size_t total = 0;     // codewords: rows * cols * 14
  std::size_t groups = 0;    // Reed-Solomon groups
  int last_len = 0;          // length of the last group (48 unless shortened)
  std::size_t capacity = 0;  // data bytes over all groups

  // Bytes of group g.
  int Length(std::size_t g) const { return g + 1 == groups ? last_len : kGroupSize; }
  // Length(g) - 2k.
  int DataLength(std::size_t g) const { return Length(g) - 2 * k; }
  // Codeword index of byte j of group g. Columns below last_len hold a byte
  // of every group, later ones skip the last group.
  std::size_t Position(std::size_t g, int j) const {
    const auto column = static_cast<std::size_t>(j), shared = static_cast<std::size_t>(last_len);
    if (column < shared) return column * groups + g;
    return shared * groups + (column - shared) * (groups - 1) + g;
  }
  std::size_t GroupBytes() const;       // codewords held by groups; the rest is filler
};

GroupPlan PlanGroups(int rows, int cols, int k);

}  // namespace tessellux::symbol::codec
