#pragma once

// Data stream <-> codewords: Reed-Solomon parity per group, the spread of
// group bytes across the symbol (see groups.h) and each block's check.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "symbol/codec/groups.h"
#include "symbol/types.h"

namespace tessellux::symbol::codec {

// stream.size() <= plan.capacity. Data beyond the stream gets a fixed
// pseudo-random pattern, so no part of the symbol is a blank area.
Bytes Interleave(const Bytes& stream, const GroupPlan& plan);

struct Deinterleaved {
  Bytes stream;                            // data bytes of the groups that could be corrected
  int corrected = 0;                       // bytes repaired
  std::optional<std::size_t> failed_group; // the first group beyond repair: stream stops there
  std::vector<std::int8_t> repairs;        // per group before failed_group: bytes repaired, kTaken if taken as it was
  static constexpr std::int8_t kTaken = -1;
};

// Whether a group whose bytes all lie in blocks that pass their checks is
// taken as it is (the fast way for a clean print: the stream's CRC-32 still
// decides) or decoded like any other.
enum class IntactGroups { Trust, Decode };

// Whether a group is repaired by its erasures alone (cheap, enough for most
// damaged prints) or searched for errors too (libfec's decoder).
enum class Repair { ErasuresOnly, Full };

// erased: one flag per block, true for a block whose bytes are not to be
// trusted (failed check, wrong reference marks).
Deinterleaved Deinterleave(const Bytes& codewords, const GroupPlan& plan, const std::vector<bool>& erased,
                           IntactGroups intact);

// After a Trust pass whose stream proved damaged: decodes the groups it took
// as they were, in place, as Deinterleave(..., Decode) would; the groups it
// already decoded keep their result rather than being decoded again.
void DecodeTakenGroups(const Bytes& codewords, const GroupPlan& plan, const std::vector<bool>& erased,
                       Deinterleaved& data);

// Group g gathered into group (Length(g) bytes) and corrected, its bytes in
// erased blocks taken as erasures where the group's parity allows; -1 beyond
// repair.
// taken, when given, tells whether a group was taken as it was (Trust).
int CorrectGroup(const Bytes& codewords, const GroupPlan& plan, std::size_t g, const std::vector<bool>& erased,
                 std::uint8_t* group, IntactGroups intact = IntactGroups::Decode, Repair repair = Repair::Full,
                 bool* taken = nullptr);

}  // namespace tessellux::symbol::codec
