// Automatic and fixed sizes, correction strengths and what does not fit.

#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "symbol/codec/groups.h"
#include "symbol/codec/sizing.h"
#include "tests/symbol/codec_test_support.h"

namespace tessellux::symbol {
namespace {

using testing::MustEncode;

Content Text(std::size_t size) { return {std::string(size, 'x'), std::nullopt}; }

TEST(CodecSizing, AutomaticPicksTheSmallestNearlySquareSymbol) {
  // Public text: 4 header bytes, 1 length byte, the text, 4 checksum bytes.
  // k = 4: 1x1 holds 14 - 8 = 6 data bytes, 1x2 holds 20, 2x2 holds 40 + 0.
  EXPECT_EQ(MustEncode(Text(0), {}).geometry.rows, 1);
  const Geometry two = MustEncode(Text(11), {}).geometry;
  EXPECT_EQ(two.rows, 1);
  EXPECT_EQ(two.cols, 2);
  const Geometry four = MustEncode(Text(12), {}).geometry;
  EXPECT_EQ(four.rows, 2);
  EXPECT_EQ(four.cols, 2);
  for (std::size_t size : {100u, 1000u, 10000u, 100000u}) {
    const Geometry g = MustEncode(Text(size), {}).geometry;
    EXPECT_TRUE(g.rows == g.cols || (g.rows > 1 ? g.cols == g.rows + 2 : g.cols == 2)) << size;
    EXPECT_EQ(g.k, kDefaultCorrectable);
    // The next smaller shape on the same path would not have held it.
    const int smaller_cols = g.rows == g.cols ? (g.cols == 2 ? 1 : g.cols - 2) : g.rows;
    EXPECT_LT(codec::PlanGroups(g.rows, smaller_cols, g.k).capacity, size + 9) << size;
  }
}

TEST(CodecSizing, OneAutomaticSideGrowsOnlyThatSide) {
  const Geometry g = MustEncode(Text(2000), {}, 4, 0, 0).geometry;
  EXPECT_EQ(g.rows, 4);
  EXPECT_GE(codec::PlanGroups(4, g.cols, g.k).capacity, 2009u);
  EXPECT_LT(codec::PlanGroups(4, g.cols - 2, g.k).capacity, 2009u);
}

TEST(CodecSizing, DataTooLargeForFixedOrLargestSize) {
  EXPECT_EQ(std::get<EncodeError>(EncodePayload(Text(100), {}, 2, 2, 0)), EncodeError::DataTooLarge);
  EXPECT_EQ(std::get<EncodeError>(EncodePayload(Text(3), {}, 1, 1, 34)), EncodeError::DataTooLarge);
  EXPECT_EQ(std::get<EncodeError>(EncodePayload(Text(1000000), {}, 0, 0, 0)), EncodeError::DataTooLarge);
  // The largest symbol at k = 17: the text and 11 bytes of header and checksum.
  const std::size_t cap = codec::PlanGroups(254, 254, 17).capacity;
  EXPECT_EQ(std::get<EncodeError>(EncodePayload(Text(cap - 10), {}, 0, 0, 34)), EncodeError::DataTooLarge);
  EXPECT_EQ(MustEncode(Text(cap - 11), {}, 0, 0, 34).geometry.rows, 254);
}

TEST(CodecSizing, BadParametersAreRefused) {
  for (int count : {-1, 3, 5, 255, 256})
    EXPECT_EQ(std::get<EncodeError>(EncodePayload(Text(1), {}, count, 2, 0)), EncodeError::BadParameters);
  for (int reserved : {1, 2, 3, 5, 36, 255})
    EXPECT_EQ(std::get<EncodeError>(EncodePayload(Text(1), {}, 2, 2, reserved)), EncodeError::BadParameters);
}

TEST(CodecGroups, PlanCoversEveryCodewordOnce) {
  for (auto [rows, cols, k] : {std::tuple{1, 1, 2}, {1, 1, 7}, {2, 2, 17}, {1, 38, 17}, {1, 38, 2}, {6, 10, 5}}) {
    const codec::GroupPlan plan = codec::PlanGroups(rows, cols, k);
    std::vector<int> hits(plan.total);
    for (std::size_t g = 0; g < plan.groups; ++g)
      for (int j = 0; j < plan.Length(g); ++j) ++hits.at(plan.Position(g, j));
    for (std::size_t i = 0; i < plan.total; ++i) EXPECT_EQ(hits[i], i < plan.GroupBytes() ? 1 : 0);
    EXPECT_GT(plan.last_len, 2 * k);
  }
}

TEST(CodecGroups, OneBlockSpreadsOverFourteenGroups) {
  const codec::GroupPlan plan = codec::PlanGroups(10, 10, 4);
  std::vector<std::size_t> group_of(plan.total);
  ASSERT_EQ(plan.GroupBytes(), plan.total - 8);  // the last block ends in filler
  for (std::size_t g = 0; g < plan.groups; ++g)
    for (int j = 0; j < plan.Length(g); ++j) group_of[plan.Position(g, j)] = g;
  for (std::size_t block = 0; block < 99; ++block) {
    std::set<std::size_t> groups;
    for (std::size_t i = 0; i < kBytesPerBlock; ++i) groups.insert(group_of[block * kBytesPerBlock + i]);
    EXPECT_EQ(groups.size(), 14u);
  }
}

}  // namespace
}  // namespace tessellux::symbol
