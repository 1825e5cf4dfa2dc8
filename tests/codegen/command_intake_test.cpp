#include "codegen/command_intake.h"

#include <gtest/gtest.h>

#include "protocol/framing.h"

namespace tessellux::codegen {
namespace {

using Result = CommandIntake::Result;

// Feeds `stream` in pieces of `piece` bytes; collects what comes out.
struct Outcome {
  std::vector<Bytes> commands;
  std::vector<std::uint8_t> refused;
  bool too_long = false;
};

Outcome FeedAll(CommandIntake& intake, const Bytes& stream, std::size_t piece) {
  Outcome out;
  for (std::size_t at = 0; at < stream.size() && !out.too_long;) {
    const std::size_t size = std::min(piece, stream.size() - at);
    for (std::size_t taken = 0; taken < size;) {
      std::size_t consumed = 0;
      const Result result = intake.Consume(stream.data() + at + taken, size - taken, consumed);
      taken += consumed;
      if (result == Result::Command) out.commands.push_back(intake.TakeCommand());
      if (result == Result::Command) intake.Release();
      if (result == Result::Refused) out.refused.push_back(intake.refused_code());
      if (result == Result::TooLong) out.too_long = true;
      if (out.too_long) break;
    }
    at += size;
  }
  return out;
}

TEST(CommandIntake, FramesSplitAnywhereComeOutWholeOneAtATime) {
  Bytes stream;
  const std::vector<Bytes> sent{{0x11, 1, 2, 3, 4, 5, 6}, {0x21, 0xAA, 0xAB, 0x54}, {}, {0xAB}};
  for (const Bytes& message : sent) protocol::AppendFrame(message, stream);
  for (std::size_t piece : {std::size_t{1}, std::size_t{3}, stream.size()}) {
    CommandIntake intake(1000, nullptr);
    const Outcome out = FeedAll(intake, stream, piece);
    EXPECT_EQ(out.commands, sent) << piece;
    EXPECT_FALSE(intake.InFrame());
  }
}

TEST(CommandIntake, FramePastTheBudgetIsSkippedToItsEndAndRefusedWithItsCode) {
  auto budget = std::make_shared<MemoryBudget>(20000, 0, 0);  // buffers double: 8 KiB fits, 16 KiB not
  CommandIntake intake(1 << 20, budget);
  Bytes stream;
  protocol::AppendFrame(Bytes(20000, 0x21), stream);
  protocol::AppendFrame(Bytes{0xAA, 1, 2}, stream);  // escaped code
  stream.insert(stream.end() - 1, 5000, 0x00);
  protocol::AppendFrame(Bytes{0x11, 9}, stream);
  const Outcome out = FeedAll(intake, stream, 4096);
  EXPECT_EQ(out.refused, (std::vector<std::uint8_t>{0x21}));
  ASSERT_EQ(out.commands.size(), 2u);
  EXPECT_EQ(out.commands[0].size(), 5003u) << "a frame that fits after a refused one";
  EXPECT_EQ(out.commands[1], (Bytes{0x11, 9}));
  EXPECT_EQ(budget->used(), 0u) << "no buffer kept after a frame";

  CommandIntake escaped(1 << 20, budget);
  Bytes big;
  protocol::AppendFrame(Bytes(20000, 0xAA), big);
  EXPECT_EQ(FeedAll(escaped, big, 100).refused, (std::vector<std::uint8_t>{0xAA}));
}

TEST(CommandIntake, FrameOverTheLimitIsTooLongAndHoldsNothing) {
  auto budget = std::make_shared<MemoryBudget>(1 << 20, 0, 0);
  CommandIntake intake(1000, budget);
  EXPECT_TRUE(FeedAll(intake, Bytes(1001, 0x21), 7).too_long);
  EXPECT_EQ(budget->used(), 0u);
  EXPECT_FALSE(intake.InFrame());
}

TEST(CommandIntake, UnfinishedFrameIsCountedAndDrawnFromTheBudget) {
  auto budget = std::make_shared<MemoryBudget>(1 << 20, 0, 0);
  CommandIntake intake(1 << 20, budget);
  FeedAll(intake, Bytes(3000, 0x21), 100);
  EXPECT_TRUE(intake.InFrame());
  EXPECT_EQ(intake.received(), 3000u);
  EXPECT_GE(budget->used(), 3000u);
  EXPECT_EQ(budget->used(), intake.memory_bytes());
}

TEST(MemoryBudget, HeadroomIsForSmallAccountsOnly) {
  auto budget = std::make_shared<MemoryBudget>(1000, 300, 100);
  MemoryAccount large(budget), small(budget);
  EXPECT_TRUE(large.Resize(700));
  EXPECT_FALSE(large.Resize(701)) << "the last 300 bytes are headroom";
  EXPECT_TRUE(small.Resize(100));
  MemoryAccount second(budget);
  EXPECT_TRUE(second.Resize(100));
  EXPECT_TRUE(second.Resize(50));
  EXPECT_FALSE(second.Resize(101));
  EXPECT_EQ(budget->used(), 850u);
}

}  // namespace
}  // namespace tessellux::codegen
