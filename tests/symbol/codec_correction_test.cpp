// Up to k damaged bytes per group are repaired; more never yields wrong data,
// because the stream checksum (the usual reflected CRC-32) catches it.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string_view>

#include "symbol/codec/crc32.h"
#include "symbol/codec/groups.h"
#include "tests/symbol/codec_test_support.h"

namespace tessellux::symbol {
namespace {

using testing::Decode;
using testing::MustDecode;
using testing::MustEncode;
using testing::RandomBytes;

// Damages `count` distinct bytes of every group, each with a non-zero change.
void DamageEveryGroup(Encoded& encoded, int count, unsigned seed) {
  const auto& g = encoded.geometry;
  const codec::GroupPlan plan = codec::PlanGroups(g.rows, g.cols, g.k);
  std::mt19937 random(seed);
  for (std::size_t group = 0; group < plan.groups; ++group) {
    std::vector<int> order(static_cast<std::size_t>(plan.Length(group)));
    for (std::size_t j = 0; j < order.size(); ++j) order[j] = static_cast<int>(j);
    std::shuffle(order.begin(), order.end(), random);
    for (int i = 0; i < count; ++i)
      encoded.codewords[plan.Position(group, order[static_cast<std::size_t>(i)])] ^=
          static_cast<std::uint8_t>(1 + random() % 255);
  }
}

TEST(CodecCorrection, KErrorsPerGroupRepairedKPlusOneDetected) {
  const Bytes text = RandomBytes(1500, 1);
  const Content content{std::string(text.begin(), text.end()), RandomBytes(800, 2)};
  for (int k : {2, 3, 4, 9, 17}) {
    SCOPED_TRACE("k " + std::to_string(k));
    Encoded encoded = MustEncode(content, {}, 0, 0, 2 * k);
    const auto& g = encoded.geometry;
    const std::size_t groups = codec::PlanGroups(g.rows, g.cols, g.k).groups;
    DamageEveryGroup(encoded, k, static_cast<unsigned>(k));
    const DecodedPayload decoded = MustDecode(encoded);
    EXPECT_EQ(decoded.content.text, content.text);
    EXPECT_EQ(decoded.content.file, content.file);
    EXPECT_EQ(decoded.corrected, static_cast<int>(groups) * k);
    for (unsigned seed = 0; seed < 4; ++seed) {
      Encoded broken = MustEncode(content, {}, 0, 0, 2 * k);
      DamageEveryGroup(broken, k + 1, seed * 31 + static_cast<unsigned>(k));
      auto result = Decode(broken);
      ASSERT_TRUE(std::holds_alternative<DecodeError>(result)) << "seed " << seed;
      EXPECT_EQ(std::get<DecodeError>(result).kind, DecodeFailure::Damaged);
      EXPECT_FALSE(std::get<DecodeError>(result).message.empty());
    }
  }
}

TEST(CodecCorrection, WholeBlocksAndUnusedFiller) {
  // 12 x 12 blocks, k = 4: any 4 blocks wiped touch each group at most 4 times.
  const Content content{std::string(900, 'q'), std::nullopt};
  Encoded encoded = MustEncode(content, {}, 12, 12, 8);
  for (std::size_t block : {0u, 1u, 77u, 143u})
    for (std::size_t i = 0; i < kBytesPerBlock; ++i) encoded.codewords[block * kBytesPerBlock + i] = 0;
  EXPECT_EQ(MustDecode(encoded).content.text, content.text);

  // The stream ends early in this symbol: wrecking only its last group and
  // the filler after it does not matter.
  encoded = MustEncode({"short", std::nullopt}, {}, 20, 20, 4);
  const codec::GroupPlan plan = codec::PlanGroups(20, 20, 4);
  for (int j = 0; j < plan.Length(plan.groups - 1); ++j) encoded.codewords[plan.Position(plan.groups - 1, j)] ^= 0xFF;
  encoded.codewords.back() ^= 0xFF;
  EXPECT_EQ(MustDecode(encoded).content.text, "short");
}

TEST(CodecCorrection, DamageToTheOnlyHeaderGroupOfATinySymbolIsDetected) {
  Encoded encoded = MustEncode({"h", std::nullopt}, {}, 1, 1, 4);
  for (std::size_t i : {0u, 3u, 9u}) encoded.codewords[i] ^= 0x5A;
  EXPECT_TRUE(std::holds_alternative<DecodeError>(Decode(encoded)));
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
