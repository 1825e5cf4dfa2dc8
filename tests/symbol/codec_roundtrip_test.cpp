// Content survives encode and decode; sizes and correction strengths are
// chosen or honoured; what does not fit or is out of range is refused.

#include <gtest/gtest.h>

#include <tuple>

#include "tests/symbol/codec_test_support.h"

namespace tessellux::symbol {
namespace {

using testing::FakeJpeg;
using testing::MustDecode;
using testing::MustEncode;
using testing::RandomBytes;

Content Text(std::size_t size) { return {std::string(size, 'x'), std::nullopt}; }

TEST(CodecRoundTrip, EachDataKindComesBackExactly) {
  const std::string text = "Grüße, 世界! https://example.com/?a=1&b=2";
  // An empty upload is a file of length zero, not "no file": the optionals differ.
  const Content kinds[] = {{text, std::nullopt}, {"", FakeJpeg(3000)}, {text, FakeJpeg(500)},
                           {"", std::nullopt},   {"", Bytes{}},        {"", Bytes{0x50, 0x4B, 3, 4}}};
  for (const Content& content : kinds) {
    SCOPED_TRACE(content.text + (content.file ? " file " + std::to_string(content.file->size()) : " no file"));
    const Encoded encoded = MustEncode(content, {});
    const auto& g = encoded.geometry;
    EXPECT_EQ(encoded.codewords.size(), static_cast<std::size_t>(g.rows * g.cols) * kBytesPerBlock);
    const DecodedPayload decoded = MustDecode(encoded);
    EXPECT_EQ(decoded.content.text, content.text);
    EXPECT_EQ(decoded.content.file, content.file);
    EXPECT_EQ(decoded.security.mode, SecurityMode::Public);
    EXPECT_EQ(decoded.corrected, 0);
  }
}

TEST(CodecRoundTrip, FixedSizesAndStrengthsFromOneBlockToLarge) {
  struct Case { int rows, cols, reserved; std::size_t text; };
  const Case cases[] = {{1, 1, 4, 0}, {1, 2, 4, 10}, {2, 1, 0, 5}, {2, 2, 8, 20},
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
  // 2 x 4 blocks: full groups and a shortened last one, at every strength.
  for (int k = kMinCorrectable; k <= kMaxCorrectable; ++k)
    EXPECT_EQ(MustDecode(MustEncode({"ab", std::nullopt}, {}, 2, 4, 2 * k)).content.text, "ab") << "k " << k;
}

TEST(CodecRoundTrip, LargestSymbolCarriesAFileOfItsFullCapacity) {
  const Bytes file = RandomBytes(StreamCapacity(254, 254, kDefaultCorrectable) - kPublicTextOverhead, 11);
  const Encoded encoded = MustEncode({"", file}, {});
  EXPECT_EQ(encoded.geometry.rows, 254);
  EXPECT_EQ(encoded.geometry.cols, 254);
  EXPECT_EQ(MustDecode(encoded).content.file, file);
}

TEST(CodecSizing, AutomaticPicksTheSmallestNearlySquareSymbol) {
  // Public text: 4 header bytes, 3 length bytes, the text, 4 checksum bytes;
  // no text: 8 bytes. k = 4: 1x1 holds 12 - 2 = 10 bytes, 1x2 holds 20, 2x2 holds 40.
  for (auto [size, rows, cols] : {std::tuple{0, 1, 1}, {1, 1, 2}, {9, 1, 2}, {10, 2, 2}, {29, 2, 2}, {30, 2, 4}}) {
    const Geometry g = MustEncode(Text(static_cast<std::size_t>(size)), {}).geometry;
    EXPECT_EQ(g.rows, rows) << size;
    EXPECT_EQ(g.cols, cols) << size;
  }
  for (std::size_t size : {100u, 1000u, 10000u, 100000u}) {
    const Geometry g = MustEncode(Text(size), {}).geometry;
    EXPECT_TRUE(g.rows == g.cols || (g.rows > 1 ? g.cols == g.rows + 2 : g.cols == 2)) << size;
    EXPECT_EQ(g.k, kDefaultCorrectable);
    // The next smaller shape on the same path would not have held it.
    const int smaller_cols = g.rows == g.cols ? (g.cols == 2 ? 1 : g.cols - 2) : g.rows;
    EXPECT_LT(StreamCapacity(g.rows, smaller_cols, g.k), size + kPublicTextOverhead) << size;
  }
  // One automatic side grows only that side.
  const Geometry g = MustEncode(Text(2000), {}, 4, 0, 0).geometry;
  EXPECT_EQ(g.rows, 4);
  EXPECT_GE(StreamCapacity(4, g.cols, g.k), 2011u);
  EXPECT_LT(StreamCapacity(4, g.cols - 2, g.k), 2011u);
}

TEST(CodecSizing, RefusedWithTheRightError) {
  // The largest symbol at k = 17 holds the text and 11 bytes of header and checksum.
  const std::size_t cap = StreamCapacity(254, 254, 17);
  struct Case { std::size_t text; int rows, cols, reserved; EncodeError error; };
  const Case cases[] = {
      {100, 2, 2, 0, EncodeError::DataTooLarge},     {3, 1, 1, 34, EncodeError::DataTooLarge},
      {1000000, 0, 0, 0, EncodeError::DataTooLarge}, {cap - 10, 0, 0, 34, EncodeError::DataTooLarge},
      {1, -1, 2, 0, EncodeError::BadParameters},     {1, 3, 2, 0, EncodeError::BadParameters},
      {1, 2, 255, 0, EncodeError::BadParameters},    {1, 2, 256, 0, EncodeError::BadParameters},
      {1, 2, 2, 1, EncodeError::BadParameters},      {1, 2, 2, 3, EncodeError::BadParameters},
      {1, 2, 2, 36, EncodeError::BadParameters},     {1, 2, 2, 255, EncodeError::BadParameters},
  };
  for (const Case& c : cases) {
    auto result = EncodePayload(Text(c.text), {}, c.rows, c.cols, c.reserved);
    ASSERT_TRUE(std::holds_alternative<EncodeError>(result)) << c.text << " " << c.rows << "x" << c.cols;
    EXPECT_EQ(std::get<EncodeError>(result), c.error) << c.text << " " << c.rows << "x" << c.cols;
  }
  EXPECT_EQ(MustEncode(Text(cap - 11), {}, 0, 0, 34).geometry.rows, 254);
}

TEST(CodecDecode, CodewordsThatAreNoSymbolAreRefused) {
  Bytes cut = MustEncode({"x", std::nullopt}, {}, 1, 2).codewords;
  cut.pop_back();
  EXPECT_TRUE(std::holds_alternative<DecodeError>(DecodePayload(cut, 1, 2, {})));
  EXPECT_TRUE(std::holds_alternative<DecodeError>(DecodePayload({}, 0, 0, {})));
  EXPECT_TRUE(std::holds_alternative<DecodeError>(DecodePayload(Bytes(255 * 14), 255, 1, {})));
  EXPECT_TRUE(std::holds_alternative<DecodeError>(DecodePayload(Bytes(8 * 8 * 14), 8, 8, {})));
  EXPECT_TRUE(std::holds_alternative<DecodeError>(DecodePayload(RandomBytes(8 * 8 * 14, 5), 8, 8, {})));
}

}  // namespace
}  // namespace tessellux::symbol
