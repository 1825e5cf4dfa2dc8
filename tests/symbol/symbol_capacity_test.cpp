// The user data the program shows after a build is what the symbol holds:
// for every size and k, the largest text is that figure less the fixed
// public-text overhead, and one byte more is refused.

#include <gtest/gtest.h>

#include <string>

#include "generate/results.h"
#include "tests/symbol/codec_test_support.h"

namespace tessellux::symbol {
namespace {

using testing::MustDecode;
using testing::MustEncode;

// "User data" as the program shows it.
std::size_t ShownUserData(int rows, int cols, int k) {
  return static_cast<std::size_t>(generate::UsageCounts({rows, cols, k}).user);
}

Content Text(std::size_t size) { return {std::string(size, 'c'), std::nullopt}; }

TEST(SymbolCapacity, LargestTextIsTheShownUserDataLessTheHeader) {
  struct Case { int rows, cols; };
  const Case sizes[] = {{1, 1}, {1, 2}, {2, 1}, {1, 6}, {2, 2}, {2, 4}, {4, 6}, {10, 10}, {12, 14}, {30, 2}};
  for (const Case& size : sizes) {
    for (int k : {2, 3, 4, 5, 9, 16, 17}) {
      SCOPED_TRACE(std::to_string(size.rows) + "x" + std::to_string(size.cols) + " k " + std::to_string(k));
      const std::size_t capacity = StreamCapacity(size.rows, size.cols, k);
      ASSERT_EQ(capacity, ShownUserData(size.rows, size.cols, k));
      if (capacity < kPublicTextOverhead) {
        EXPECT_LT(capacity, kPublicTextOverhead);  // holds no text at all
        continue;
      }
      const std::size_t largest = capacity - kPublicTextOverhead;
      const Encoded encoded = MustEncode(Text(largest), {}, size.rows, size.cols, 2 * k);
      EXPECT_EQ(encoded.geometry.k, k);
      EXPECT_EQ(MustDecode(encoded).content.text, Text(largest).text);
      auto over = EncodePayload(Text(largest + 1), {}, size.rows, size.cols, 2 * k);
      ASSERT_TRUE(std::holds_alternative<EncodeError>(over));
      EXPECT_EQ(std::get<EncodeError>(over), EncodeError::DataTooLarge);
    }
  }
  // The largest symbol, at the default k.
  const std::size_t largest = ShownUserData(254, 254, 4) - kPublicTextOverhead;
  EXPECT_EQ(MustDecode(MustEncode(Text(largest), {}, 254, 254, 8)).content.text.size(), largest);
  EXPECT_TRUE(std::holds_alternative<EncodeError>(EncodePayload(Text(largest + 1), {}, 254, 254, 8)));
}

TEST(SymbolCapacity, AutomaticSizeAndKChooseFromTheRealCapacity) {
  // Both sides automatic: a text that just fits a size takes it, one byte more the next.
  const std::pair<int, int> path[] = {{1, 2}, {2, 2}, {2, 4}, {4, 4}, {4, 6}, {6, 6}, {6, 8}};
  for (std::size_t i = 0; i + 1 < std::size(path); ++i) {
    const auto [rows, cols] = path[i];
    const std::size_t largest = ShownUserData(rows, cols, kDefaultCorrectable) - kPublicTextOverhead;
    const Geometry fits = MustEncode(Text(largest), {}).geometry;
    EXPECT_EQ(fits.rows * 1000 + fits.cols, rows * 1000 + cols) << largest;
    const Geometry next = MustEncode(Text(largest + 1), {}).geometry;
    EXPECT_EQ(next.rows * 1000 + next.cols, path[i + 1].first * 1000 + path[i + 1].second) << largest + 1;
  }
  // A fixed size with automatic k: k = 4 while the data fits, then 3, then 2, then refused.
  for (int k : {4, 3, 2}) {
    const std::size_t largest = ShownUserData(10, 10, k) - kPublicTextOverhead;
    EXPECT_EQ(MustEncode(Text(largest), {}, 10, 10, 0).geometry.k, k);
  }
  auto over = EncodePayload(Text(ShownUserData(10, 10, 2) - kPublicTextOverhead + 1), {}, 10, 10, 0);
  EXPECT_TRUE(std::holds_alternative<EncodeError>(over));
  // Text and file together carry three more bytes of header.
  const std::size_t both = StreamCapacity(4, 4, 4) - kPublicTextAndFileOverhead;
  EXPECT_EQ(MustDecode(MustEncode({"ab", Bytes(both - 2, 1)}, {}, 4, 4, 8)).content.file->size(), both - 2);
  EXPECT_TRUE(std::holds_alternative<EncodeError>(EncodePayload({"ab", Bytes(both - 1, 1)}, {}, 4, 4, 8)));
}

}  // namespace
}  // namespace tessellux::symbol
