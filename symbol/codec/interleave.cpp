#include "symbol/codec/interleave.h"

#include <algorithm>
#include <array>

#include "symbol/codec.h"
#include "symbol/codec/block_check.h"
#include "symbol/codec/reed_solomon.h"

namespace tessellux::symbol::codec {
namespace {

std::uint8_t PadByte(std::size_t i) { return static_cast<std::uint8_t>((i * 0x9E3779B1u) >> 24); }

}  // namespace

Bytes Interleave(const Bytes& stream, const GroupPlan& plan) {
  Bytes codewords(plan.total);
  std::array<std::uint8_t, kGroupSize> group{};
  std::size_t next = 0;  // stream offset of the current group's data
  for (std::size_t g = 0; g < plan.groups; ++g) {
    const auto data = static_cast<std::size_t>(plan.DataLength(g));
    const std::size_t taken = next < stream.size() ? std::min(data, stream.size() - next) : 0;
    if (taken > 0) std::copy_n(stream.data() + next, taken, group.begin());
    for (std::size_t j = taken; j < data; ++j) group[j] = PadByte(next + j);
    next += data;
    const int length = plan.Length(g);
    EncodeGroup(plan.Parity(g), length, group.data(), group.data() + data);
    for (int j = 0; j < length; ++j) codewords[plan.Position(g, j)] = group[static_cast<std::size_t>(j)];
  }
  for (std::size_t b = 0; b < plan.blocks; ++b) SealBlock(b, codewords.data() + b * kBytesPerBlock);
  return codewords;
}

int CorrectGroup(const Bytes& codewords, const GroupPlan& plan, std::size_t g, const std::vector<bool>& erased,
                 std::uint8_t* group, IntactGroups intact, Repair repair, bool* taken) {
  const int length = plan.Length(g), parity = plan.Parity(g);
  std::array<int, kGroupSize> erasures{};
  int count = 0;
  for (int j = 0; j < length; ++j) {
    const std::size_t at = plan.Position(g, j);
    group[j] = codewords[at];
    if (erased[at / kBytesPerBlock]) erasures[static_cast<std::size_t>(count++)] = j;
  }
  if (taken) *taken = count == 0 && intact == IntactGroups::Trust;
  if (count == 0 && intact == IntactGroups::Trust) return 0;
  if (repair == Repair::ErasuresOnly) return SolveGroupErasures(parity, length, group, erasures.data(), count);
  // More erasures than parity bytes: the checks cannot help this group, but
  // a few destroyed blocks may still read mostly right.
  if (count == 0 || count > parity) return DecodeGroup(parity, length, group);
  const int corrected = DecodeGroup(parity, length, group, erasures.data(), count);
  if (corrected >= 0) return corrected;
  // A block whose check passed by chance leaves an error the erasures
  // cannot cover; decoding for errors alone may still succeed (a failed
  // decode leaves the group as it was).
  return DecodeGroup(parity, length, group);
}

Deinterleaved Deinterleave(const Bytes& codewords, const GroupPlan& plan, const std::vector<bool>& erased,
                           IntactGroups intact) {
  Deinterleaved out;
  out.stream.reserve(plan.capacity);
  out.repairs.reserve(plan.groups);
  std::array<std::uint8_t, kGroupSize> group{};
  for (std::size_t g = 0; g < plan.groups; ++g) {
    bool taken = false;
    const int corrected = CorrectGroup(codewords, plan, g, erased, group.data(), intact, Repair::Full, &taken);
    if (corrected < 0) {
      out.failed_group = g;
      break;
    }
    out.corrected += corrected;
    out.repairs.push_back(taken ? Deinterleaved::kTaken : static_cast<std::int8_t>(corrected));
    out.stream.insert(out.stream.end(), group.begin(), group.begin() + plan.DataLength(g));
  }
  return out;
}

void DecodeTakenGroups(const Bytes& codewords, const GroupPlan& plan, const std::vector<bool>& erased,
                       Deinterleaved& data) {
  std::array<std::uint8_t, kGroupSize> group{};
  std::size_t at = 0;  // stream offset of group g
  data.corrected = 0;
  for (std::size_t g = 0; g < data.repairs.size(); ++g) {
    const auto length = static_cast<std::size_t>(plan.DataLength(g));
    auto& repairs = data.repairs[g];
    if (repairs == Deinterleaved::kTaken) {
      const int corrected = CorrectGroup(codewords, plan, g, erased, group.data());
      if (corrected < 0) {  // the stream now stops here
        data.failed_group = g;
        data.stream.resize(at);
        data.repairs.resize(g);
        return;
      }
      repairs = static_cast<std::int8_t>(corrected);
      std::copy_n(group.begin(), length, data.stream.begin() + static_cast<std::ptrdiff_t>(at));
    }
    data.corrected += repairs;
    at += length;
  }
}

}  // namespace tessellux::symbol::codec
