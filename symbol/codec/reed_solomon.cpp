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

// GF(256) with polynomial 0x11D, for the erasure solver below. Products go
// through logs without branches: log 0 is kZeroLog, far enough up that any
// sum involving it lands in the zeros at the top of exp.
constexpr int kZeroLog = 512;
constexpr int kLane = 8;  // syndromes computed together
constexpr int kSyndromeRows = (kMaxParity + kLane - 1) / kLane * kLane;

struct Field {
  std::array<std::uint8_t, 2 * kZeroLog + 1> exp{};  // alpha^n for n < 510, then zeros
  std::array<int, 256> log{};
  // mul[256 * j + x] = x * alpha^j: one row per syndrome, for Horner's rule.
  std::array<std::uint8_t, 256 * kSyndromeRows> mul{};
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
  f.log[0] = kZeroLog;
  for (int j = 0; j < kSyndromeRows; ++j)
    for (int v = 1; v < 256; ++v)
      f.mul[static_cast<std::size_t>(256 * j + v)] =
          f.exp[static_cast<std::size_t>(f.log[static_cast<std::size_t>(v)] + j)];
  return f;
}

constexpr Field kField = MakeField();

int Log(std::uint8_t a) { return kField.log[a]; }

// a * alpha^n for 0 <= n < 255 (n = kZeroLog for a factor 0).
std::uint8_t MulLog(std::uint8_t a, int n) { return kField.exp[static_cast<std::size_t>(Log(a) + n)]; }

// Syndromes S_j = r(alpha^j), j < parity, of the word r whose byte i is the
// coefficient of x^(length - 1 - i), by Horner's rule; the zeros in front of
// a shortened group add nothing. Eight at a time, so they stay in registers
// (a last lane of fewer than eight computes a few spare ones). True when all
// vanish.
bool Syndromes(int parity, int length, const std::uint8_t* word, std::uint8_t* syndrome) {
  std::uint8_t any = 0;
  for (int first = 0; first < parity; first += kLane) {
    const std::uint8_t* mul = kField.mul.data() + 256 * first;  // rows first .. first + 7
    std::array<std::uint8_t, kLane> lane{};
    for (int i = 0; i < length; ++i) {
      const std::uint8_t r = word[i];
#pragma GCC unroll 8
      for (std::size_t j = 0; j < lane.size(); ++j) lane[j] = static_cast<std::uint8_t>(mul[j * 256 + lane[j]] ^ r);
    }
    for (int j = 0; j < kLane && first + j < parity; ++j) {
      syndrome[first + j] = lane[static_cast<std::size_t>(j)];
      any |= lane[static_cast<std::size_t>(j)];
    }
  }
  return any == 0;
}

// The common case of a damaged print: e <= parity erasures and no other
// errors. The erasure locator and Forney's formula solve it directly in
// O(e * parity) once the syndromes are known. Returns the bytes changed, or
// -1 when the syndromes show errors outside the erasures (libfec's full
// decoder then takes over); word is changed only on success.
int SolveErasures(int parity, int length, std::uint8_t* word, const int* positions, int erasures) {
  std::array<std::uint8_t, kMaxParity> syndrome;
  if (Syndromes(parity, length, word, syndrome.data())) return 0;
  // log X_k of each erased place: byte i is the coefficient of x^(length - 1 - i).
  std::array<int, kMaxParity> place;
  for (int k = 0; k < erasures; ++k) place[static_cast<std::size_t>(k)] = length - 1 - positions[k];
  // Erasure locator: the product of (1 + X x) over the erased places X.
  std::array<std::uint8_t, kMaxParity + 1> locator{1};
  for (int k = 0; k < erasures; ++k) {
    const int x = place[static_cast<std::size_t>(k)];
    for (int d = k + 1; d > 0; --d)
      locator[static_cast<std::size_t>(d)] ^= MulLog(locator[static_cast<std::size_t>(d - 1)], x);
  }
  // Evaluator: syndrome * locator mod x^parity. Beyond degree e - 1 it must
  // vanish, else there are errors the erasures do not cover.
  std::array<std::uint8_t, kMaxParity> evaluator;
  std::array<int, kMaxParity + 1> locator_log;
  for (int d = 0; d <= erasures; ++d)
    locator_log[static_cast<std::size_t>(d)] = Log(locator[static_cast<std::size_t>(d)]);
  std::array<int, kMaxParity> syndrome_log;
  for (int j = 0; j < parity; ++j)
    syndrome_log[static_cast<std::size_t>(j)] = Log(syndrome[static_cast<std::size_t>(j)]);
  std::uint8_t beyond = 0;
  for (int j = 0; j < parity; ++j) {
    std::uint8_t sum = 0;
    for (int i = 0, top = std::min(j, erasures); i <= top; ++i)
      sum ^= kField.exp[static_cast<std::size_t>(syndrome_log[static_cast<std::size_t>(j - i)] +
                                                 locator_log[static_cast<std::size_t>(i)])];
    evaluator[static_cast<std::size_t>(j)] = sum;
    if (j >= erasures) beyond |= sum;
  }
  if (beyond != 0) return -1;
  std::array<int, kMaxParity> evaluator_log;
  for (int j = 0; j < erasures; ++j)
    evaluator_log[static_cast<std::size_t>(j)] = Log(evaluator[static_cast<std::size_t>(j)]);
  // Forney (first root 0): e_k = X_k * evaluator(1 / X_k) / locator'(1 / X_k).
  std::array<std::uint8_t, kMaxParity> errors;
  for (int k = 0; k < erasures; ++k) {
    const int inverse = (255 - place[static_cast<std::size_t>(k)]) % 255;  // log of 1 / X_k
    // Term by term rather than by Horner's rule: the terms are independent.
    std::uint8_t value = 0, slope = 0;
    for (int j = 0, n = 0; j < erasures; ++j) {
      value ^= kField.exp[static_cast<std::size_t>(evaluator_log[static_cast<std::size_t>(j)] + n)];
      n += inverse;
      n -= n >= 255 ? 255 : 0;
    }
    // locator' keeps the odd terms: locator_d * y^(d - 1) for odd d.
    for (int d = 1, n = 0; d <= erasures; d += 2) {
      slope ^= kField.exp[static_cast<std::size_t>(locator_log[static_cast<std::size_t>(d)] + n)];
      n += 2 * inverse;
      n -= n >= 255 ? 255 : 0;
      n -= n >= 255 ? 255 : 0;
    }
    if (slope == 0) return -1;  // two erasures at one place
    const int place_k = place[static_cast<std::size_t>(k)];
    errors[static_cast<std::size_t>(k)] = MulLog(value, (255 - Log(slope) + place_k) % 255);
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

int SolveGroupErasures(int parity, int length, std::uint8_t* group, const int* erased, int erasures) {
  if (erasures < 0 || erasures > parity) return -1;
  return SolveErasures(parity, length, group, erased, erasures);
}

int DecodeGroup(int parity, int length, std::uint8_t* group, const int* erased, int erasures) {
  erasures = std::clamp(erasures, 0, parity);
  if (erasures > 0) {
    const int solved = SolveErasures(parity, length, group, erased, erasures);
    if (solved >= 0) return solved;
  }
  std::array<std::uint8_t, kGroupSize> word{};
  const int pad = kGroupSize - length;
  std::copy_n(group, length, word.begin() + pad);
  std::array<int, kMaxParity> positions{};
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
