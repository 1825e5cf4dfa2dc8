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

constexpr int kMaxParity = 2 * kMaxCorrectable;

struct RsFree {
  void operator()(void* rs) const { free_rs_char(rs); }
};

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

// GF(256) with polynomial 0x11D, for the erasure solver below.
struct Field {
  std::array<std::uint8_t, 512> exp{};  // doubled, so a sum of two logs needs no reduction
  std::array<int, 256> log{};
};

constexpr Field MakeField() {
  Field f;
  unsigned x = 1;
  for (int i = 0; i < 255; ++i) {
    f.exp[static_cast<std::size_t>(i)] = f.exp[static_cast<std::size_t>(i + 255)] = static_cast<std::uint8_t>(x);
    f.log[x] = i;
    x <<= 1;
    if (x & 0x100) x ^= 0x11D;
  }
  f.exp[510] = f.exp[0];
  return f;
}

constexpr Field kField = MakeField();

std::uint8_t Mul(std::uint8_t a, std::uint8_t b) {
  return a && b ? kField.exp[static_cast<std::size_t>(kField.log[a] + kField.log[b])] : 0;
}

std::uint8_t Div(std::uint8_t a, std::uint8_t b) {  // b != 0
  return a ? kField.exp[static_cast<std::size_t>(kField.log[a] + 255 - kField.log[b])] : 0;
}

// alpha^n for 0 <= n < 255 * 2.
std::uint8_t Power(int n) { return kField.exp[static_cast<std::size_t>(n % 255)]; }

// The common case of a damaged print: e <= parity erasures and no other
// errors. Syndromes, erasure locator and Forney's formula solve it directly;
// byte i of the 48-byte word is the coefficient of x^(47 - i). Returns the
// bytes changed, or -1 when the syndromes show errors outside the erasures
// (libfec's full decoder then takes over).
int SolveErasures(int parity, std::uint8_t* word, const int* positions, int erasures) {
  std::array<std::uint8_t, kMaxParity> syndrome{};
  bool clean = true;
  for (int i = 0; i < kGroupSize; ++i) {
    if (word[i] == 0) continue;
    const int step = kGroupSize - 1 - i;
    for (int j = 0, n = kField.log[word[i]]; j < parity; ++j) {
      syndrome[static_cast<std::size_t>(j)] ^= kField.exp[static_cast<std::size_t>(n)];
      n += step;
      if (n >= 255) n -= 255;
    }
  }
  for (int j = 0; j < parity; ++j) clean = clean && syndrome[static_cast<std::size_t>(j)] == 0;
  if (clean) return 0;
  // Erasure locator: the product of (1 + X x) over the erased places X.
  std::array<std::uint8_t, kMaxParity + 1> locator{1};
  for (int k = 0; k < erasures; ++k) {
    const std::uint8_t x = Power(kGroupSize - 1 - positions[k]);
    for (int d = k + 1; d > 0; --d)
      locator[static_cast<std::size_t>(d)] ^= Mul(locator[static_cast<std::size_t>(d - 1)], x);
  }
  // Evaluator: syndrome * locator mod x^parity. Beyond degree e - 1 it must
  // vanish, else there are errors the erasures do not cover.
  std::array<std::uint8_t, kMaxParity> evaluator{};
  for (int j = 0; j < parity; ++j) {
    std::uint8_t sum = 0;
    for (int i = 0; i <= std::min(j, erasures); ++i)
      sum ^= Mul(locator[static_cast<std::size_t>(i)], syndrome[static_cast<std::size_t>(j - i)]);
    evaluator[static_cast<std::size_t>(j)] = sum;
    if (j >= erasures && sum != 0) return -1;
  }
  std::array<std::uint8_t, kMaxParity> errors{};
  for (int k = 0; k < erasures; ++k) {
    const int place = kGroupSize - 1 - positions[k];
    const int inverse = (255 - place) % 255;  // log of 1 / X
    std::uint8_t value = 0, slope = 0;
    for (int j = 0; j < erasures; ++j) value ^= Mul(evaluator[static_cast<std::size_t>(j)], Power(inverse * j));
    for (int d = 1; d <= erasures; d += 2) slope ^= Mul(locator[static_cast<std::size_t>(d)], Power(inverse * (d - 1)));
    if (slope == 0) return -1;  // two erasures at one place
    errors[static_cast<std::size_t>(k)] = Mul(Power(place), Div(value, slope));
  }
  int changed = 0;
  for (int k = 0; k < erasures; ++k) {
    word[positions[k]] ^= errors[static_cast<std::size_t>(k)];
    changed += errors[static_cast<std::size_t>(k)] != 0;
  }
  return changed;
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
  if (erasures > 0) {
    const int solved = SolveErasures(parity, word.data(), positions.data(), erasures);
    if (solved >= 0) {
      std::copy_n(word.begin() + pad, length, group);
      return solved;
    }
  }
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
