#include <gtest/gtest.h>

#include "link/reply.h"

namespace tessellux::link {
namespace {

TEST(Reply, StatusByteDecides) {
  EXPECT_EQ(JudgeReply({0x11, 0x00, 1, 2, 3}, 0x11).kind, ReplyVerdict::kSuccess);
  EXPECT_EQ(JudgeReply({0x62, 0x62}, 0x62).kind, ReplyVerdict::kSilentFailure);
  EXPECT_EQ(JudgeReply({0x62}, 0x62).kind, ReplyVerdict::kSilentFailure);
  EXPECT_EQ(JudgeReply({}, 0x62).kind, ReplyVerdict::kSilentFailure);

  const ReplyVerdict error = JudgeReply({0x21, 0x03}, 0x41);
  EXPECT_EQ(error.kind, ReplyVerdict::kReportedFailure);
  EXPECT_EQ(error.warning.title, "Unexpected error");
  EXPECT_EQ(error.warning.paragraphs, std::vector<std::string>{"Unexpected error code 3 to command code 41"});
  EXPECT_EQ(JudgeReply({0x05, 0x1A}, 0x05).warning.paragraphs,
            std::vector<std::string>{"Unexpected error code 1A to command code 5"});
}

}  // namespace
}  // namespace tessellux::link
