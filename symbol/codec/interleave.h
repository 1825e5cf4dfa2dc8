#pragma once

// Data stream <-> codewords: Reed-Solomon parity per group and the spread of
// group bytes across the symbol (see groups.h).

#include <cstddef>
#include <optional>

#include "symbol/codec/groups.h"
#include "symbol/types.h"

namespace tessellux::symbol::codec {

// stream.size() <= plan.capacity. Data beyond the stream and the filler get
// a fixed pseudo-random pattern, so no part of the symbol is a blank area.
Bytes Interleave(const Bytes& stream, const GroupPlan& plan);

struct Deinterleaved {
  Bytes stream;                            // data bytes of the groups that could be corrected
  int corrected = 0;                       // bytes repaired
  std::optional<std::size_t> failed_group; // the first group beyond repair: stream stops there
};

Deinterleaved Deinterleave(const Bytes& codewords, const GroupPlan& plan);

// Group g gathered into group (Length(g) bytes) and corrected; -1 beyond repair.
int CorrectGroup(const Bytes& codewords, const GroupPlan& plan, std::size_t g, std::uint8_t* group);

}  // namespace tessellux::symbol::codec
