#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "protocol/framing.h"

namespace tessellux::protocol {
namespace {

TEST(Framing, EscapesBothSpecialBytesAndEnds) {
  EXPECT_EQ(FrameMessage({0x11, 0xAA, 0xAB, 0x05}), (Bytes{0x11, 0xAB, 0x55, 0xAB, 0x54, 0x05, 0xAA}));
  EXPECT_EQ(FrameMessage({}), Bytes{0xAA});
  // The message bytes AB 55 must not come back as AA.
  EXPECT_EQ(FrameMessage({0xAB, 0x55}), (Bytes{0xAB, 0x54, 0x55, 0xAA}));
  EXPECT_EQ(Unframe({0xAB, 0x54, 0x55}), (Bytes{0xAB, 0x55}));
}

TEST(Framing, RandomMessagesRoundTrip) {
  std::mt19937 rng(7);
  const std::uint8_t alphabet[] = {0xAA, 0xAB, 0x54, 0x55, 0x00, 0x62};
  for (int round = 0; round < 2000; ++round) {
    Bytes message(rng() % 40);
    for (auto& b : message) b = (rng() % 3 == 0) ? static_cast<std::uint8_t>(rng()) : alphabet[rng() % 6];
    Bytes frame = FrameMessage(message);
    ASSERT_EQ(frame.back(), kEndByte);
    ASSERT_EQ(std::count(frame.begin(), frame.end(), kEndByte), 1);
    frame.pop_back();
    ASSERT_EQ(Unframe(frame), message);
  }
}

TEST(Framing, LenientUnframeKeepsStrayEscapes) {
  // Matches replacing the AB 55 pairs first and then the AB 54 pairs.
  EXPECT_EQ(Unframe({0xAB, 0xAB, 0x55, 0x54}), (Bytes{0xAB, 0xAA, 0x54}));
  EXPECT_EQ(Unframe({0xAB, 0xAB, 0x54}), (Bytes{0xAB, 0xAB}));
  EXPECT_EQ(Unframe({0xAB}), Bytes{0xAB});
}

TEST(ReplyBuffer, CompletesOnlyOnTheEndByteAndStaysBounded) {
  ReplyBuffer buffer(8);
  const Bytes frame = FrameMessage({0x11, 0x00, 0xAA});
  for (std::size_t i = 0; i + 1 < frame.size(); ++i) {
    buffer.Append(&frame[i], 1);
    EXPECT_FALSE(buffer.Complete()) << "after byte " << i;
  }
  buffer.Append(&frame.back(), 1);
  ASSERT_TRUE(buffer.Complete());
  EXPECT_EQ(buffer.TakeReply(), (Bytes{0x11, 0x00, 0xAA}));

  buffer.Clear();
  EXPECT_EQ(buffer.Room(), 8u);
  EXPECT_TRUE(buffer.Append(Bytes(5, 0x01)));
  EXPECT_EQ(buffer.Room(), 3u);
  EXPECT_TRUE(buffer.Append(Bytes(3, 0x01)));
  EXPECT_EQ(buffer.Room(), 0u);
  EXPECT_FALSE(buffer.Append(Bytes{0xAA}));
  EXPECT_TRUE(buffer.Overflowed());
  EXPECT_EQ(buffer.Room(), 0u);
  EXPECT_FALSE(buffer.Complete());
  EXPECT_EQ(buffer.Extend(1), nullptr);
}

TEST(ReplyBuffer, EndsAtTheFirstEndByteAndFlagsWhatFollows) {
  ReplyBuffer buffer;
  Bytes two = FrameMessage({0x61, 0x00, 'A'});
  const Bytes second = FrameMessage({0x62, 0x00, 'B'});
  two.insert(two.end(), second.begin(), second.end());
  // Read straight into the buffer, as a socket read does.
  std::copy(two.begin(), two.end(), buffer.Extend(two.size() + 10));
  buffer.Shrink(10);
  ASSERT_TRUE(buffer.Complete());
  EXPECT_TRUE(buffer.HasTrailingBytes());
  EXPECT_EQ(buffer.TakeReply(), (Bytes{0x61, 0x00, 'A'})) << "never one reply of both frames";

  buffer.Append(FrameMessage({0x11, 0x00}));
  EXPECT_FALSE(buffer.HasTrailingBytes());
}

TEST(FrameSplitter, SplitsAStreamCutAnywhere) {
  Bytes stream;
  const std::vector<Bytes> messages = {{0x11, 1, 2, 3, 8, 1, 2}, {}, {0x21, 0xAA, 0xAB, 0x55}, {0x61}};
  for (const auto& m : messages) AppendFrame(m, stream);
  for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
    FrameSplitter splitter;
    std::vector<Bytes> got;
    ASSERT_TRUE(splitter.Feed(stream.data(), cut));
    while (auto m = splitter.Next()) got.push_back(*m);
    ASSERT_TRUE(splitter.Feed(stream.data() + cut, stream.size() - cut));
    while (auto m = splitter.Next()) got.push_back(*m);
    EXPECT_EQ(got, messages) << "cut at " << cut;
  }
  FrameSplitter small(4);
  EXPECT_FALSE(small.Feed(Bytes(5, 0x01).data(), 5));
}

}  // namespace
}  // namespace tessellux::protocol
