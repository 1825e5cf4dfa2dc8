#pragma once

// How a symbol's codewords divide into Reed-Solomon groups and where each
// group byte lies. The rows x cols x 14 codewords form groups of 48 bytes
// (data, then 2k parity); a remainder longer than 2k bytes is one shortened
// group, a shorter one is filler that carries nothing. Byte j of group g is
// placed column-wise (all groups' byte 0, then all byte 1, ...), so the 14
// bytes of one block belong to 14 different groups once there are that many.

#include <cstddef>

namespace tessellux::symbol::codec {

struct GroupPlan {
  int rows = 0;
  int cols = 0;
  int k = 0;
  std::size_t total = 0;     // codewords: rows * cols * 14
  std::size_t groups = 0;    // Reed-Solomon groups
  int last_len = 0;          // length of the last group (48 unless shortened)
  std::size_t capacity = 0;  // data bytes over all groups

  int Length(std::size_t g) const;      // bytes of group g
  int DataLength(std::size_t g) const;  // Length(g) - 2k
  std::size_t Position(std::size_t g, int j) const;  // codeword index of byte j of group g
  std::size_t GroupBytes() const;       // codewords held by groups; the rest is filler
};

GroupPlan PlanGroups(int rows, int cols, int k);

}  // namespace tessellux::symbol::codec
