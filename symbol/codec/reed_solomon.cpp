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

// One libfec setup per parity count, made on first use and kept: setting up
// the tables costs far more than coding a group.
void* CodecFor(int k) {
  static std::mutex mutex;
  static std::array<std::unique_ptr<void, RsFree>, kMaxCorrectable + 1> codecs;
  std::lock_guard lock(mutex);
  auto& codec = codecs.at(static_cast<std::size_t>(k));
  if (!codec) codec.reset(init_rs_char(8, 0x11d, 0, 1, 2 * k, 255 - kGroupSize));
  if (!codec) throw std::bad_alloc();
  return codec.get();
}

}  // namespace

void EncodeGroup(int k, int length, const std::uint8_t* data, std::uint8_t* parity) {
  std::array<std::uint8_t, kGroupSize> message{};
  const int pad = kGroupSize - length;
  std::copy_n(data, length - 2 * k, message.begin() + pad);
  encode_rs_char(CodecFor(k), message.data(), parity);
}

int DecodeGroup(int k, int length, std::uint8_t* group) {
  std::array<std::uint8_t, kGroupSize> word{};
  const int pad = kGroupSize - length;
  std::copy_n(group, length, word.begin() + pad);
  const int corrected = decode_rs_char(CodecFor(k), word.data(), nullptr, 0);
  if (corrected < 0) return -1;
  // A "correction" of the known zeros in front means the group was beyond repair.
  if (std::any_of(word.begin(), word.begin() + pad, [](std::uint8_t b) { return b != 0; })) return -1;
  std::copy_n(word.begin() + pad, length, group);
  return corrected;
}

}  // namespace tessellux::symbol::codec
