// Blocks whose check fails are erasures: up to 2k of them per group are
// restored. Errors the checks miss (a block re-sealed after damage, as a
// check that passes by chance would leave it) are corrected up to k per
// group. Beyond that decoding fails; the stream's CRC-32 keeps a
// miscorrection from passing as data.

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <set>
#include <string_view>

#include "symbol/codec/block_check.h"
#include "symbol/codec/crc32.h"
#include "symbol/codec/groups.h"
#include "symbol/codec/reed_solomon.h"
#include "tests/symbol/codec_test_support.h"

namespace tessellux::symbol {
namespace {

using testing::Decode;
using testing::MustDecode;
using testing::MustEncode;
using testing::RandomBytes;

// `length` random bytes whose last `parity` are their Reed-Solomon parity.
Bytes CodedGroup(int parity, int length, unsigned seed) {
  const Bytes data = RandomBytes(static_cast<std::size_t>(length), seed);
  Bytes group = data;
  codec::EncodeGroup(parity, length, data.data(), group.data() + (length - parity));
  return group;
}

// Damages `count` distinct bytes of every group, each with a non-zero
// change; `reseal` then renews the block checks so that they pass.
void DamageEveryGroup(Encoded& encoded, int count, unsigned seed, bool reseal) {
  const auto& g = encoded.geometry;
  const codec::GroupPlan plan = codec::PlanGroups(g.rows, g.cols, g.k);
  std::mt19937 random(seed);
  std::set<std::size_t> blocks;
  for (std::size_t group = 0; group < plan.groups; ++group) {
    std::vector<int> order(static_cast<std::size_t>(plan.Length(group)));
    for (std::size_t j = 0; j < order.size(); ++j) order[j] = static_cast<int>(j);
    std::shuffle(order.begin(), order.end(), random);
    for (int i = 0; i < count; ++i) {
      const std::size_t at = plan.Position(group, order[static_cast<std::size_t>(i)]);
      encoded.codewords[at] ^= static_cast<std::uint8_t>(1 + random() % 255);
      blocks.insert(at / kBytesPerBlock);
    }
  }
  if (reseal)
    for (std::size_t b : blocks) codec::SealBlock(b, encoded.codewords.data() + b * kBytesPerBlock);
}

TEST(CodecCorrection, UndetectedErrorsKPerGroupRepairedKPlusOneRefused) {
  const Bytes text = RandomBytes(1500, 1);
  const Content content{std::string(text.begin(), text.end()), RandomBytes(800, 2)};
  for (int k : {2, 3, 4, 9, 17}) {
    SCOPED_TRACE("k " + std::to_string(k));
    Encoded encoded = MustEncode(content, {}, 0, 0, 2 * k);
    const auto& g = encoded.geometry;
    const std::size_t groups = codec::PlanGroups(g.rows, g.cols, g.k).groups;
    DamageEveryGroup(encoded, k, static_cast<unsigned>(k), true);
    const DecodedPayload decoded = MustDecode(encoded);
    EXPECT_EQ(decoded.content.text, content.text);
    EXPECT_EQ(decoded.content.file, content.file);
    EXPECT_EQ(decoded.corrected, static_cast<int>(groups) * k);
    EXPECT_EQ(decoded.damaged_blocks, 0);
    for (unsigned seed = 0; seed < 4; ++seed) {
      Encoded broken = MustEncode(content, {}, 0, 0, 2 * k);
      DamageEveryGroup(broken, k + 1, seed * 31 + static_cast<unsigned>(k), true);
      auto result = Decode(broken);
      ASSERT_TRUE(std::holds_alternative<DecodeError>(result)) << "seed " << seed;
      EXPECT_EQ(std::get<DecodeError>(result).kind, DecodeFailure::Damaged);
      EXPECT_FALSE(std::get<DecodeError>(result).message.empty());
    }
  }
}

// Destroyed blocks (erasures, decoded at once) together with an error in
// every group that the checks miss (found only when the stream's CRC-32
// fails and the groups taken as they were are decoded): both kinds are
// repaired, and every changed byte is counted once.
TEST(CodecCorrection, ErasuresAndUndetectedErrorsTogetherRepaired) {
  const Bytes text = RandomBytes(1500, 5);
  const Content content{std::string(text.begin(), text.end()), std::nullopt};
  const Encoded clean = MustEncode(content, {}, 0, 0, 8);
  Encoded encoded = clean;
  DamageEveryGroup(encoded, 1, 12, true);
  for (std::size_t b : {3u, 17u, 40u})
    std::fill_n(encoded.codewords.begin() + static_cast<std::ptrdiff_t>(b * kBytesPerBlock), kBytesPerBlock, 0);
  int changed = 0;
  for (std::size_t i = 0; i < clean.codewords.size(); ++i)
    changed += i % kBytesPerBlock < kGroupBytesPerBlock && clean.codewords[i] != encoded.codewords[i];
  const DecodedPayload decoded = MustDecode(encoded);
  EXPECT_EQ(decoded.content.text, content.text);
  EXPECT_EQ(decoded.corrected, changed);
  EXPECT_EQ(decoded.damaged_blocks, 3);
}

// 10 x 10 blocks, k = 4: 25 groups of 48 bytes, each spread over 48 blocks.
TEST(CodecCorrection, ErasedBlocksUpTo2kPerGroupRestoredOneMoreRefused) {
  const std::size_t capacity = StreamCapacity(10, 10, 4);
  const Content content{std::string(capacity - kPublicTextOverhead, 'e'), std::nullopt};
  const Encoded clean = MustEncode(content, {}, 10, 10, 8);
  const codec::GroupPlan plan = codec::PlanGroups(10, 10, 4);
  ASSERT_EQ(plan.groups, 25u);
  // The blocks holding group 7, in order: the first n of them hit it n times.
  std::vector<std::size_t> blocks;
  for (int j = 0; j < plan.Length(7); ++j) blocks.push_back(plan.Position(7, j) / kBytesPerBlock);
  for (int wiped = 1; wiped <= 9; ++wiped) {
    Encoded encoded = clean;
    for (int i = 0; i < wiped; ++i)
      std::fill_n(encoded.codewords.begin() + static_cast<std::ptrdiff_t>(blocks[static_cast<std::size_t>(i)] *
                                                                          kBytesPerBlock),
                  kBytesPerBlock, 0x00);
    auto result = Decode(encoded);
    if (wiped <= 8) {
      ASSERT_TRUE(std::holds_alternative<DecodedPayload>(result)) << wiped << " blocks";
      EXPECT_EQ(std::get<DecodedPayload>(result).content.text, content.text);
      EXPECT_EQ(std::get<DecodedPayload>(result).damaged_blocks, wiped);
    } else {
      ASSERT_TRUE(std::holds_alternative<DecodeError>(result));
      EXPECT_EQ(std::get<DecodeError>(result).kind, DecodeFailure::Damaged);
    }
  }
  // Erasures and undetected errors share the parity: 6 erased blocks and one
  // re-sealed wrong byte in the same group (6 + 2 * 1 <= 8) are repaired.
  Encoded mixed = clean;
  for (int i = 0; i < 6; ++i)
    std::fill_n(mixed.codewords.begin() + static_cast<std::ptrdiff_t>(blocks[static_cast<std::size_t>(i)] *
                                                                      kBytesPerBlock),
                kBytesPerBlock, 0xFF);
  const std::size_t sly = plan.Position(7, 40);
  mixed.codewords[sly] ^= 0x5A;
  codec::SealBlock(sly / kBytesPerBlock, mixed.codewords.data() + sly / kBytesPerBlock * kBytesPerBlock);
  EXPECT_EQ(MustDecode(mixed).content.text, content.text);
}

TEST(CodecCorrection, BlocksFlaggedByTheCallerAreErasedToo) {
  const Content content{std::string(900, 'f'), std::nullopt};
  Encoded encoded = MustEncode(content, {}, 10, 10, 8);
  // Nine blocks of one group damaged, one of them with its check renewed:
  // only the caller's flag (its reference marks read wrong) can name it.
  const codec::GroupPlan plan = codec::PlanGroups(10, 10, 4);
  Bytes suspect(100, 0);
  for (int j = 0; j < 8; ++j) {
    const std::size_t b = plan.Position(3, j) / kBytesPerBlock;
    for (std::size_t i = 0; i < 12; ++i) encoded.codewords[b * kBytesPerBlock + i] ^= 0x77;
    codec::SealBlock(b, encoded.codewords.data() + b * kBytesPerBlock);
    suspect[b] = 1;
  }
  EXPECT_TRUE(std::holds_alternative<DecodeError>(Decode(encoded)));
  auto result = DecodePayload(encoded.codewords, 10, 10, {}, suspect);
  ASSERT_TRUE(std::holds_alternative<DecodedPayload>(result));
  EXPECT_EQ(std::get<DecodedPayload>(result).content.text, content.text);
  EXPECT_EQ(std::get<DecodedPayload>(result).damaged_blocks, 8);
  EXPECT_TRUE(std::holds_alternative<DecodeError>(DecodePayload(encoded.codewords, 10, 10, {}, Bytes(99, 0))));
}

TEST(CodecCorrection, DamageBeyondTheStreamAndToATinySymbol) {
  // The stream ends early in this symbol: wrecking only its last group does not matter.
  Encoded encoded = MustEncode({"short", std::nullopt}, {}, 20, 20, 4);
  const codec::GroupPlan plan = codec::PlanGroups(20, 20, 2);
  for (int j = 0; j < plan.Length(plan.groups - 1); ++j) encoded.codewords[plan.Position(plan.groups - 1, j)] ^= 0xFF;
  EXPECT_EQ(MustDecode(encoded).content.text, "short");

  encoded = MustEncode({"", std::nullopt}, {}, 1, 1, 4);
  for (std::size_t i : {0u, 3u, 9u}) encoded.codewords[i] ^= 0x5A;
  EXPECT_TRUE(std::holds_alternative<DecodeError>(Decode(encoded)));
}

// Erasures at random places of random groups of every length and parity,
// alone (solved directly) or with one more error they do not name (left to
// libfec's errors-and-erasures decoder), e + 2t <= parity: the group comes
// back exactly.
TEST(ReedSolomon, ErasuresAndErrorsWithinTheParityAreRestored) {
  std::mt19937 random(77);
  for (int parity : {1, 2, 3, 8, 17, 34}) {
    for (int length : {12, 24, 36, 48}) {
      if (parity >= length) continue;
      for (int trial = 0; trial < 40; ++trial) {
        Bytes group = CodedGroup(parity, length, random());
        const Bytes clean = group;
        const int extra = parity >= 3 && trial % 2 ? 1 : 0;  // an error the erasures do not name
        const int erasures = static_cast<int>(random() % static_cast<unsigned>(parity - 2 * extra + 1));
        std::vector<int> places(static_cast<std::size_t>(length));
        std::iota(places.begin(), places.end(), 0);
        std::shuffle(places.begin(), places.end(), random);
        for (int i = 0; i < erasures + extra; ++i)
          group[static_cast<std::size_t>(places[static_cast<std::size_t>(i)])] ^= static_cast<std::uint8_t>(1 + random() % 255);
        ASSERT_GE(codec::DecodeGroup(parity, length, group.data(), places.data(), erasures), 0)
            << parity << " " << length << " " << erasures << " " << extra;
        ASSERT_EQ(group, clean) << parity << " " << length << " " << erasures << " " << extra;
      }
    }
  }
}

// The erasure-only solver: erasures alone come back exactly, with the count
// of bytes really changed; an error they do not name, or more erasures than
// parity bytes, is refused and the group left as it was (for libfec).
TEST(ReedSolomon, ErasureSolverRestoresOrRefusesUntouched) {
  std::mt19937 random(91);
  for (int parity : {1, 2, 8, 17, 34}) {
    for (int length : {12, 36, 48}) {
      if (parity >= length) continue;
      for (int trial = 0; trial < 30; ++trial) {
        Bytes group = CodedGroup(parity, length, random());
        const Bytes clean = group;
        enum { kAlone, kUnnamedError, kTooMany } const kind = static_cast<decltype(kAlone)>(trial % 3);
        int erasures = static_cast<int>(random() % static_cast<unsigned>(parity + 1));
        if (kind == kUnnamedError) erasures = std::min(erasures, parity - 1);
        if (kind == kTooMany) erasures = parity + 1;
        std::vector<int> places(static_cast<std::size_t>(length));
        std::iota(places.begin(), places.end(), 0);
        std::shuffle(places.begin(), places.end(), random);
        int changed = 0;
        for (int i = 0; i < erasures + (kind == kUnnamedError); ++i) {
          const auto mask = static_cast<std::uint8_t>(random() % 4 == 0 ? 0 : 1 + random() % 255);
          const bool unnamed = kind == kUnnamedError && i == erasures;
          group[static_cast<std::size_t>(places[static_cast<std::size_t>(i)])] ^= unnamed ? 0x5A : mask;
          changed += mask != 0;
        }
        const Bytes damaged = group;
        const int solved = codec::SolveGroupErasures(parity, length, group.data(), places.data(), erasures);
        if (kind == kAlone) {
          EXPECT_EQ(solved, changed) << parity << " " << length << " " << erasures;
          EXPECT_EQ(group, clean) << parity << " " << length << " " << erasures;
        } else {
          EXPECT_EQ(solved, -1) << parity << " " << length << " " << erasures << " " << kind;
          EXPECT_EQ(group, damaged) << parity << " " << length << " " << erasures << " " << kind;
        }
      }
    }
  }
}

// Most significant bit first, one bit at a time.
std::uint16_t Crc16BitByBit(const std::uint8_t* data, std::size_t size) {
  std::uint16_t c = 0xFFFF;
  for (std::size_t i = 0; i < size; ++i) {
    c = static_cast<std::uint16_t>(c ^ data[i] << 8);
    for (int bit = 0; bit < 8; ++bit) c = static_cast<std::uint16_t>((c & 0x8000) ? (c << 1) ^ 0x1021 : c << 1);
  }
  return c;
}

TEST(BlockCheck, Crc16OverBlockNumberAndGroupBytes) {
  constexpr std::string_view kCheck = "123456789";
  EXPECT_EQ(codec::Crc16(0xFFFF, reinterpret_cast<const std::uint8_t*>(kCheck.data()), kCheck.size()), 0x29B1);
  Bytes block = RandomBytes(14, 4);
  codec::SealBlock(0x1234, block.data());
  Bytes covered{0x12, 0x34};
  covered.insert(covered.end(), block.begin(), block.begin() + 12);
  const std::uint16_t crc = Crc16BitByBit(covered.data(), covered.size());
  EXPECT_EQ(block[12], crc >> 8);
  EXPECT_EQ(block[13], crc & 0xFF);
  EXPECT_TRUE(codec::BlockIntact(0x1234, block.data()));
  EXPECT_FALSE(codec::BlockIntact(0x1235, block.data()));  // the same bytes in another place
  block[5] ^= 1;
  EXPECT_FALSE(codec::BlockIntact(0x1234, block.data()));
}

// Reflected 0xEDB88320, inverted in and out, one bit at a time.
std::uint32_t BitByBit(const std::uint8_t* data, std::size_t size) {
  std::uint32_t c = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < size; ++i) {
    c ^= data[i];
    for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
  }
  return ~c;
}

TEST(Crc32, MatchesItsDefinitionAtEveryLengthAndAlignment) {
  constexpr std::string_view kCheck = "123456789";
  EXPECT_EQ(codec::Crc32(reinterpret_cast<const std::uint8_t*>(kCheck.data()), kCheck.size()), 0xCBF43926u);
  EXPECT_EQ(codec::Crc32(nullptr, 0), 0u);
  const Bytes data = RandomBytes(300, 11);
  for (std::size_t offset = 0; offset < 8; ++offset)
    for (std::size_t size = 0; size + offset <= data.size(); size += 1 + size / 16)
      ASSERT_EQ(codec::Crc32(&data[offset], size), BitByBit(&data[offset], size)) << offset << " " << size;
}

}  // namespace
}  // namespace tessellux::symbol
