#include <gtest/gtest.h>

#include <set>

#include "protocol/codes.h"
#include "protocol/hex.h"

namespace tessellux::protocol {
namespace {

TEST(Hex, OneFormForCodesAndDigitsForEveryOtherUse) {
  EXPECT_EQ(Hex(0x00), "0x00");
  EXPECT_EQ(Hex(0x5A), "0x5A");
  EXPECT_EQ(Hex(0xFF), "0xFF");
  EXPECT_EQ(HexDigits(0x5, 1), "5");
  EXPECT_EQ(HexDigits(0x1A, 1), "1A");
  EXPECT_EQ(HexDigits(0x0, 1), "0");
  EXPECT_EQ(HexDigits(0x202E, 4), "202E");
  EXPECT_EQ(HexDigits(0x10FFFF, 4), "10FFFF");
}

TEST(Codes, EveryCodeOnceWithANameAndAMeaning) {
  std::set<std::uint8_t> commands, statuses;
  for (const CodeWords& entry : kCommands) {
    EXPECT_TRUE(commands.insert(entry.code).second) << Hex(entry.code) << " twice";
    EXPECT_FALSE(entry.name.empty() || entry.meaning.empty()) << Hex(entry.code);
  }
  for (const CodeWords& entry : kStatuses) {
    EXPECT_TRUE(statuses.insert(entry.code).second) << Hex(entry.code) << " twice";
    EXPECT_FALSE(entry.name.empty() || entry.meaning.empty()) << Hex(entry.code);
  }
  // The framing's special bytes can never be a code: a frame's first byte is its code.
  for (std::uint8_t special : {0xAA, 0xAB}) {
    EXPECT_FALSE(FindCommand(special));
  }
  EXPECT_FALSE(FindCommand(kNoCommand)) << "0x00 stands for an empty message";
}

TEST(Codes, NamesAndMeaningsForPeopleUnknownOnesSaidSo) {
  EXPECT_EQ(CommandName(0x21), "0x21 (text)");
  EXPECT_EQ(CommandName(Code(Command::BuildTemporaryAuthorization)), "0x54 (build temporary authorization symbol)");
  EXPECT_EQ(CommandName(0x99), "0x99 (unknown command)");
  EXPECT_EQ(StatusMeaning(0x04), "data too large for the fixed size, or for the largest symbol");
  EXPECT_EQ(StatusMeaning(Code(Status::Busy)).rfind("busy: ", 0), 0u);
  EXPECT_EQ(StatusMeaning(0x09), "status 0x09, not one the Code Generator documents");
}

TEST(Codes, EndOfPictureIsExactlyBb) {
  EXPECT_EQ(EndOfPictureReply(), ToBytes("bb"));
  EXPECT_TRUE(IsEndOfPicture(ToBytes("bb")));
  EXPECT_FALSE(IsEndOfPicture(ToBytes("bbb")));
  EXPECT_FALSE(IsEndOfPicture(Bytes{0x62, 0x00}));
  EXPECT_FALSE(IsEndOfPicture(Bytes{0x61, 0x62}));
}

}  // namespace
}  // namespace tessellux::protocol
