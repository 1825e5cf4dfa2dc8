#pragma once

// How a symbol's codewords divide into Reed-Solomon groups and where each
// group byte lies. Every block gives 12 bytes to the groups and keeps 2 for
// its check (block_check.h). Every four blocks make one 48-byte group (data,
// then 2k parity); the m = 1..3 blocks left over make one shortened group of
// 12m bytes with ceil(k * m / 2) parity bytes, the same share of parity. The
// group bytes are placed column-wise (all groups' byte 0, then all byte 1,
// ...), so the 12 group bytes of one block belong to 12 different groups
// once there are that many.

#include <cstddef>

#include "symbol/codec.h"

namespace tessellux::symbol::codec {

struct GroupPlan {
  int rows = 0;
  int cols = 0;
  int k = 0;
  std::size_t blocks = 0;    // rows * cols
  std::size_t total = 0;     // codewords: blocks * kBytesPerBlock
  std::size_t groups = 0;    // Reed-Solomon groups
  int last_len = 0;          // length of the last group (48 unless shortened)
  int last_parity = 0;       // parity bytes of the last group (2k unless shortened)
  std::size_t capacity = 0;  // data bytes over all groups

  // Bytes of group g.
  int Length(std::size_t g) const { return g + 1 == groups ? last_len : kGroupSize; }
  // Parity bytes of group g.
  int Parity(std::size_t g) const { return g + 1 == groups ? last_parity : 2 * k; }
  // Length(g) - Parity(g).
  int DataLength(std::size_t g) const { return Length(g) - Parity(g); }
  // Index of byte j of group g among all group bytes (0 .. 12 * blocks - 1).
  // Columns below last_len hold a byte of every group, later ones skip the
  // last group.
  std::size_t Slot(std::size_t g, int j) const {
    const auto column = static_cast<std::size_t>(j), shared = static_cast<std::size_t>(last_len);
    if (column < shared) return column * groups + g;
    return shared * groups + (column - shared) * (groups - 1) + g;
  }
  // Codeword index of group byte `slot`: its block's 12 bytes come first.
  static std::size_t CodewordOf(std::size_t slot) {
    return slot / kGroupBytesPerBlock * kBytesPerBlock + slot % kGroupBytesPerBlock;
  }
  // Codeword index of byte j of group g.
  std::size_t Position(std::size_t g, int j) const { return CodewordOf(Slot(g, j)); }
};

GroupPlan PlanGroups(int rows, int cols, int k);

}  // namespace tessellux::symbol::codec
