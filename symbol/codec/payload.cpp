// EncodePayload and DecodePayload: the data stream, sized, protected and
// spread over the codewords, and back.

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "symbol/codec.h"
#include "symbol/codec/block_check.h"
#include "symbol/codec/interleave.h"
#include "symbol/codec/sizing.h"
#include "symbol/codec/stream.h"

namespace tessellux::symbol {
namespace {

using codec::GroupPlan;

// Data no symbol could hold is refused before any key is derived.
std::size_t LargestCapacity(int k) {
  const int side = codec::ScaleValue(codec::kScaleSteps - 1);
  return StreamCapacity(side, side, k);
}

bool ValidRequestCount(int count) { return count == 0 || ValidBlockCount(count); }

// Whether the header bytes at the start of group 0 lie in blocks that pass
// their checks and name another k: then that k need not be decoded.
bool HeaderRulesOut(const Bytes& codewords, const GroupPlan& plan, const std::vector<bool>& erased, int k) {
  std::uint8_t header[4];
  for (int j = 0; j < 4; ++j) {
    const std::size_t at = plan.Position(0, j);
    if (erased[at / kBytesPerBlock]) return false;
    header[j] = codewords[at];
  }
  return !codec::LooksLikeStreamStart(header, 4, k);
}

// Every k whose first group decodes into a plausible header, fewest repairs
// first. A header in intact blocks names its k at once; only when no k
// passes that way is every k tried.
std::vector<std::pair<int, int>> CandidateKs(const Bytes& codewords, int rows, int cols,
                                             const std::vector<bool>& erased, codec::Repair repair) {
  std::vector<std::pair<int, int>> found;  // (corrected, k)
  std::uint8_t group[kGroupSize];
  for (bool shortcut : {true, false}) {
    for (int k = kMinCorrectable; k <= kMaxCorrectable; ++k) {
      const GroupPlan plan = codec::PlanGroups(rows, cols, k);
      if (shortcut && HeaderRulesOut(codewords, plan, erased, k)) continue;
      const int corrected = codec::CorrectGroup(codewords, plan, 0, erased, group, codec::IntactGroups::Decode, repair);
      if (corrected >= 0 && codec::LooksLikeStreamStart(group, static_cast<std::size_t>(plan.DataLength(0)), k))
        found.emplace_back(corrected, k);
    }
    if (!found.empty()) break;
  }
  std::sort(found.begin(), found.end());
  return found;
}

std::variant<DecodedPayload, DecodeError> ReadGroups(const codec::Deinterleaved& data, const GroupPlan& plan,
                                                     const std::vector<bool>& erased, const ReaderKeys& keys) {
  auto result = codec::ReadStream(data.stream, keys);
  if (auto* payload = std::get_if<DecodedPayload>(&result)) {
    payload->corrected = data.corrected;
    payload->damaged_blocks = static_cast<int>(std::count(erased.begin(), erased.end(), true));
    payload->k = plan.k;
    return result;
  }
  auto& error = std::get<DecodeError>(result);
  if (data.failed_group && error.kind == DecodeFailure::Damaged)
    error.message = "too many damaged bytes to correct (group " + std::to_string(*data.failed_group + 1) +
                    " of " + std::to_string(plan.groups) + ")";
  return result;
}

// Groups in blocks that pass their checks are taken as they are; only when
// the stream then proves damaged (a check passed by chance) are those groups
// decoded too (the others were already).
std::variant<DecodedPayload, DecodeError> DecodeWithK(const Bytes& codewords, int rows, int cols, int k,
                                                      const std::vector<bool>& erased, const ReaderKeys& keys) {
  const GroupPlan plan = codec::PlanGroups(rows, cols, k);
  codec::Deinterleaved data = codec::Deinterleave(codewords, plan, erased, codec::IntactGroups::Trust);
  auto fast = ReadGroups(data, plan, erased, keys);
  const auto* error = std::get_if<DecodeError>(&fast);
  if (!error || error->kind != DecodeFailure::Damaged) return fast;
  if (std::none_of(data.repairs.begin(), data.repairs.end(),
                   [](std::int8_t r) { return r == codec::Deinterleaved::kTaken; }))
    return fast;  // nothing was taken on trust: decoding again changes nothing
  codec::DecodeTakenGroups(codewords, plan, erased, data);
  return ReadGroups(data, plan, erased, keys);
}

// k = 4 unless the caller fixed both sides and the data needs less parity.
int AutomaticK(int rows, int cols, std::size_t stream_size) {
  if (rows == 0 || cols == 0) return kDefaultCorrectable;
  for (int k = kDefaultCorrectable; k > kMinCorrectable; --k)
    if (StreamCapacity(rows, cols, k) >= stream_size) return k;
  return kMinCorrectable;
}

}  // namespace

bool ValidBlockCount(int count) { return count == 1 || (count >= 2 && count <= 254 && count % 2 == 0); }

bool ValidReserved(int reserved) { return reserved == 0 || (reserved >= 4 && reserved <= 34 && reserved % 2 == 0); }

std::size_t StreamCapacity(int rows, int cols, int k) { return codec::PlanGroups(rows, cols, k).capacity; }

std::vector<bool> FailedBlockChecks(const Bytes& codewords, int rows, int cols) {
  const std::size_t blocks = static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols);
  if (rows < 0 || cols < 0 || codewords.size() != blocks * kBytesPerBlock) return {};
  return codec::FailedChecks(codewords.data(), blocks);
}

std::variant<Encoded, EncodeError> EncodePayload(const Content& content, const Security& security, int rows,
                                                 int cols, int reserved) {
  if (!ValidRequestCount(rows) || !ValidRequestCount(cols) || !ValidReserved(reserved) ||
      static_cast<int>(security.mode) > static_cast<int>(SecurityMode::Cascaded))
    return EncodeError::BadParameters;
  const std::size_t file_size = content.file ? content.file->size() : 0;
  if (content.text.size() + file_size > LargestCapacity(reserved == 0 ? kMinCorrectable : reserved / 2))
    return EncodeError::DataTooLarge;

  int k = reserved == 0 ? kDefaultCorrectable : reserved / 2;
  Bytes stream = codec::WriteStream(content, security, k);
  if (reserved == 0) {
    // The header names k, so a stream written for another k is written again.
    const int fitting = AutomaticK(rows, cols, stream.size());
    if (fitting != k) stream = codec::WriteStream(content, security, k = fitting);
  }
  const auto plan = codec::ChoosePlan(rows, cols, k, stream.size());
  if (!plan) return EncodeError::DataTooLarge;
  return Encoded{Geometry{plan->rows, plan->cols, k}, codec::Interleave(stream, *plan)};
}

std::variant<DecodedPayload, DecodeError> DecodePayload(const Bytes& codewords, int rows, int cols,
                                                        const ReaderKeys& keys, std::span<const std::uint8_t> suspect) {
  const std::size_t blocks = static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols);
  if (rows < 1 || rows > 254 || cols < 1 || cols > 254 || codewords.size() != blocks * kBytesPerBlock ||
      (!suspect.empty() && suspect.size() != blocks))
    return DecodeError{"codewords do not match a " + std::to_string(rows) + " x " + std::to_string(cols) +
                       " block symbol"};
  std::vector<bool> erased = codec::FailedChecks(codewords.data(), blocks);
  for (std::size_t b = 0; b < suspect.size(); ++b)
    if (suspect[b] != 0) erased[b] = true;
  using Result = std::variant<DecodedPayload, DecodeError>;
  std::array<std::optional<Result>, kMaxCorrectable + 1> tried;  // by k: each k is decoded once
  const auto decoded = [&](int k) -> Result& {
    auto& result = tried[static_cast<std::size_t>(k)];
    if (!result) result = DecodeWithK(codewords, rows, cols, k, erased, keys);
    return *result;
  };
  // Only damage makes another k worth a try; a key problem is the answer.
  const auto damaged = [](const Result& result) {
    const auto* error = std::get_if<DecodeError>(&result);
    return error && error->kind == DecodeFailure::Damaged;
  };
  // Erasures alone repair the first group of most damaged prints; the search
  // for errors in it, for every k (libfec's decoder, far dearer), only runs
  // when no k found that way decodes.
  for (const auto& [corrected, k] : CandidateKs(codewords, rows, cols, erased, codec::Repair::ErasuresOnly))
    if (Result& result = decoded(k); !damaged(result)) return std::move(result);
  const auto candidates = CandidateKs(codewords, rows, cols, erased, codec::Repair::Full);
  if (candidates.empty())
    return DecodeError{"no Tessellux data found: the symbol is damaged beyond correction or foreign"};
  for (const auto& [corrected, k] : candidates)
    if (Result& result = decoded(k); !damaged(result)) return std::move(result);
  return std::move(decoded(candidates.front().second));
}

}  // namespace tessellux::symbol
