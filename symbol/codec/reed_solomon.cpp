#include "symbol/codec/reed_solomon.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>

#include "symbol/codec.h"

extern "C" {
#include <fec.h>
}

namespace tessellux::symbol::codec {
namespace {

struct RsFree {
  void operator()(void* rs) const { free_rs_char(rs); }
};

constexpr int kMaxParity = 2 * kMaxCorrectable;

// One libfec setup per parity count, made on first use and kept: setting up
// the tables costs far more than coding a group.
void* CodecFor(int parity) {
  static std::mutex mutex;
  static std::array<std::unique_ptr<void, RsFree>, kMaxParity + 1> codecs;
  std::lock_guard lock(mutex);
  auto& codec = codecs.at(static_cast<std::size_t>(parity));
  if (!codec) codec.reset(init_rs_char(8, 0x11d, 0, 1, parity, 255 - kGroupSize));
  if (!codec) throw std::bad_alloc();
  return codec.get();
}

}  // namespace

void EncodeGroup(int parity, int length, const std::uint8_t* data, std::uint8_t* out) {
  std::array<std::uint8_t, kGroupSize> message{};
  const int pad = kGroupSize - length;
  std::copy_n(data, length - parity, message.begin() + pad);
  encode_rs_char(CodecFor(parity), message.data(), out);
}

int DecodeGroup(int parity, int length, std::uint8_t* group, const int* erased, int erasures) {
  std::array<std::uint8_t, kGroupSize> word{};
  const int pad = kGroupSize - length;
  std::copy_n(group, length, word.begin() + pad);
  std::array<int, kMaxParity> positions{};
  erasures = std::clamp(erasures, 0, parity);
  for (int i = 0; i < erasures; ++i) positions[static_cast<std::size_t>(i)] = erased[i] + pad;
  const int corrected =
      decode_rs_char(CodecFor(parity), word.data(), erasures > 0 ? positions.data() : nullptr, erasures);
  if (corrected < 0) return -1;
  // A "correction" of the known zeros in front means the group was beyond repair.
  if (std::any_of(word.begin(), word.begin() + pad, [](std::uint8_t b) { return b != 0; })) return -1;
  // libfec counts every erasure it was given, changed or not: count real changes.
  int changed = 0;
  for (int j = 0; j < length; ++j) changed += group[j] != word[static_cast<std::size_t>(pad + j)];
  std::copy_n(word.begin() + pad, length, group);
  return changed;
}

}  // namespace tessellux::symbol::codec
