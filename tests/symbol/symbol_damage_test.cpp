// Whole blocks of a printed symbol destroyed (painted over with noise): a
// 10 x 10 symbol with k = 4 reads with any 8 of them gone, and with more
// than a group can take it is refused as damaged, never read wrong.

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>

#include "symbol/codec/groups.h"
#include "tests/symbol/symbol_damage_support.h"

namespace tessellux::symbol {
namespace {

using testing::TenByTen;

TEST(SymbolDamage, AnyEightDestroyedBlocksAreRestored) {
  const TenByTen symbol;
  std::mt19937 random(2024);
  std::vector<int> blocks(100);
  std::iota(blocks.begin(), blocks.end(), 0);
  for (int trial = 0; trial < 300; ++trial) {
    std::shuffle(blocks.begin(), blocks.end(), random);
    const std::vector<int> chosen(blocks.begin(), blocks.begin() + 8);
    auto read = ReadSymbol(symbol.Damaged(chosen, random), {});
    ASSERT_TRUE(std::holds_alternative<ReadResult>(read)) << "trial " << trial << ": "
                                                          << std::get<ReadError>(read).message;
    const ReadResult& result = std::get<ReadResult>(read);
    ASSERT_EQ(result.content.text, symbol.text) << "trial " << trial;
    EXPECT_EQ(result.damage.damaged(), 8) << "trial " << trial;
  }
}

// The worst case: every destroyed block holds a byte of the same group.
TEST(SymbolDamage, EightBlocksOfOneGroupAreRestoredNineAreRefused) {
  const TenByTen symbol;
  const codec::GroupPlan plan = codec::PlanGroups(10, 10, 4);
  std::mt19937 random(7);
  for (std::size_t group : {0u, 11u, 24u}) {
    SCOPED_TRACE("group " + std::to_string(group));
    const std::vector<int> holding = testing::BlocksOfGroup(plan, group);
    for (std::size_t first : {0u, 20u, 39u}) {
      std::vector<int> chosen(holding.begin() + static_cast<std::ptrdiff_t>(first),
                              holding.begin() + static_cast<std::ptrdiff_t>(first + 9));
      const Bytes nine = symbol.Damaged(chosen, random);
      auto refused = ReadSymbol(nine, {});
      ASSERT_TRUE(std::holds_alternative<ReadError>(refused));
      EXPECT_EQ(std::get<ReadError>(refused).kind, DecodeFailure::Damaged);
      EXPECT_EQ(std::get<ReadError>(refused).damage.damaged(), 9);

      chosen.pop_back();
      auto read = ReadSymbol(symbol.Damaged(chosen, random), {});
      ASSERT_TRUE(std::holds_alternative<ReadResult>(read)) << std::get<ReadError>(read).message;
      EXPECT_EQ(std::get<ReadResult>(read).content.text, symbol.text);
    }
  }
}

}  // namespace
}  // namespace tessellux::symbol
