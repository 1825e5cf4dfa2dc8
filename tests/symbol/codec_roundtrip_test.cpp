// Content and sizes survive encode and decode unchanged.

#include <gtest/gtest.h>

#include "tests/symbol/codec_test_support.h"

namespace tessellux::symbol {
namespace {

using testing::Decode;
using testing::FakeJpeg;
using testing::MustDecode;
using testing::MustEncode;
using testing::RandomBytes;

TEST(CodecRoundTrip, EachDataKindComesBackExactly) {
  const std::string text = "Grüße, 世界! https://example.com/?a=1&b=2";
  const Content kinds[] = {
      {text, std::nullopt},
      {"", FakeJpeg(3000)},
      {text, FakeJpeg(500)},
      {"", std::nullopt},
      {"", Bytes{0x50, 0x4B, 3, 4, 9, 9}},
  };
  for (const Content& content : kinds) {
    const Encoded encoded = MustEncode(content, {});
    EXPECT_EQ(encoded.codewords.size(),
              static_cast<std::size_t>(encoded.geometry.rows * encoded.geometry.cols * kBytesPerBlock));
    const DecodedPayload decoded = MustDecode(encoded);
    EXPECT_EQ(decoded.content.text, content.text);
    EXPECT_EQ(decoded.content.file, content.file);
    EXPECT_EQ(decoded.security.mode, SecurityMode::Public);
    EXPECT_EQ(decoded.corrected, 0);
  }
}

TEST(CodecRoundTrip, EmptyUploadIsAFileOfLengthZeroNotNoFile) {
  const DecodedPayload with_empty = MustDecode(MustEncode({"", Bytes{}}, {}));
  ASSERT_TRUE(with_empty.content.file.has_value());
  EXPECT_TRUE(with_empty.content.file->empty());
  EXPECT_FALSE(MustDecode(MustEncode({"", std::nullopt}, {})).content.file.has_value());
}

TEST(CodecRoundTrip, TemporaryFlagIsKept) {
  Security security;
  security.mode = SecurityMode::Universal;
  security.temporary = true;
  EXPECT_TRUE(MustDecode(MustEncode({}, security)).security.temporary);
  security.temporary = false;
  EXPECT_FALSE(MustDecode(MustEncode({}, security)).security.temporary);
}

TEST(CodecRoundTrip, FixedSizesFromOneBlockToLarge) {
  struct Case { int rows, cols, reserved; std::size_t text; };
  const Case cases[] = {{1, 1, 4, 1}, {1, 2, 4, 10}, {2, 1, 0, 5}, {2, 2, 8, 20},
                        {4, 6, 34, 50}, {10, 14, 12, 1000}, {60, 62, 0, 30000}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.rows) + "x" + std::to_string(c.cols));
    const Bytes random = RandomBytes(c.text, 3);
    const Content content{std::string(random.begin(), random.end()), std::nullopt};
    const Encoded encoded = MustEncode(content, {}, c.rows, c.cols, c.reserved);
    EXPECT_EQ(encoded.geometry.rows, c.rows);
    EXPECT_EQ(encoded.geometry.cols, c.cols);
    EXPECT_EQ(encoded.geometry.k, c.reserved == 0 ? kDefaultCorrectable : c.reserved / 2);
    EXPECT_EQ(MustDecode(encoded).content.text, content.text);
  }
}

TEST(CodecRoundTrip, EveryCorrectionStrengthOnAShortenedLastGroup) {
  // 2 x 2 blocks = 56 codewords: one full group and a shortened one of 8.
  for (int k = kMinCorrectable; k <= kMaxCorrectable; ++k) {
    const Encoded encoded = MustEncode({"ab", std::nullopt}, {}, 2, 4, 2 * k);
    EXPECT_EQ(MustDecode(encoded).content.text, "ab") << "k " << k;
  }
}

TEST(CodecRoundTrip, LargestSymbolCarriesAFileOfNearlyItsCapacity) {
  const Bytes file = RandomBytes(750000, 11);
  const Encoded encoded = MustEncode({"", file}, {});
  EXPECT_EQ(encoded.geometry.rows, 254);
  EXPECT_EQ(encoded.geometry.cols, 254);
  EXPECT_EQ(MustDecode(encoded).content.file, file);
}

TEST(CodecRoundTrip, CodewordsTooShortOrOutOfRangeAreRefused) {
  const Encoded encoded = MustEncode({"x", std::nullopt}, {});
  Bytes cut = encoded.codewords;
  cut.pop_back();
  EXPECT_TRUE(std::holds_alternative<DecodeError>(
      DecodePayload(cut, encoded.geometry.rows, encoded.geometry.cols, {})));
  EXPECT_TRUE(std::holds_alternative<DecodeError>(DecodePayload({}, 0, 0, {})));
  EXPECT_TRUE(std::holds_alternative<DecodeError>(DecodePayload(Bytes(255 * 14), 255, 1, {})));
}

TEST(CodecRoundTrip, BlankOrRandomCodewordsAreNotASymbol) {
  EXPECT_TRUE(std::holds_alternative<DecodeError>(DecodePayload(Bytes(8 * 8 * 14), 8, 8, {})));
  EXPECT_TRUE(std::holds_alternative<DecodeError>(DecodePayload(RandomBytes(8 * 8 * 14, 5), 8, 8, {})));
}

}  // namespace
}  // namespace tessellux::symbol
