#include <gtest/gtest.h>

#include "generate/single_byte.h"
#include "generate/unicode.h"

namespace tessellux::generate {
namespace {

TEST(UnicodeToUtf8, EncodesEachRangeAtItsBoundaries) {
  EXPECT_EQ(UnicodeToUtf8(u"abc"), (Bytes{0x61, 0x62, 0x63}));
  EXPECT_EQ(UnicodeToUtf8(u"\u007F"), (Bytes{0x7F}));
  EXPECT_EQ(UnicodeToUtf8(u"\u00E9"), (Bytes{0xC3, 0xA9}));
  EXPECT_EQ(UnicodeToUtf8(u"\u07FF"), (Bytes{0xDF, 0xBF}));
  EXPECT_EQ(UnicodeToUtf8(u"\u0800"), (Bytes{0xE0, 0xA0, 0x80}));
  EXPECT_EQ(UnicodeToUtf8(u"\u20AC"), (Bytes{0xE2, 0x82, 0xAC}));
  EXPECT_EQ(UnicodeToUtf8(u"\uFFFF"), (Bytes{0xEF, 0xBF, 0xBF}));
  EXPECT_EQ(UnicodeToUtf8(u""), Bytes{});
}

TEST(UnicodeToUtf8, SurrogatePairBecomesTwoThreeByteSequences) {
  const char16_t pair[] = {0xD83D, 0xDE00};
  EXPECT_EQ(UnicodeToUtf8(std::u16string_view(pair, 2)),
            (Bytes{0xED, 0xA0, 0xBD, 0xED, 0xB8, 0x80}));
}

TEST(UnicodeToUtf8, DropsExactlyOneTrailingNul) {
  using namespace std::string_view_literals;
  EXPECT_EQ(UnicodeToUtf8(u"a\0"sv), (Bytes{0x61}));
  EXPECT_EQ(UnicodeToUtf8(u"a\0\0"sv), (Bytes{0x61, 0x00}));
  EXPECT_EQ(UnicodeToUtf8(u"a\0b"sv), (Bytes{0x61, 0x00, 0x62}));
  EXPECT_EQ(UnicodeToUtf8(u"\0"sv), Bytes{});
}

TEST(ToSingleByte, UsesWindows1252AndQuestionMarkForTheRest) {
  EXPECT_EQ(ToSingleByte(u"1234-5678-9012"), ToBytes("1234-5678-9012"));
  EXPECT_EQ(ToSingleByte(u"\u00E9\u00FF\u00A0"), (Bytes{0xE9, 0xFF, 0xA0}));
  EXPECT_EQ(ToSingleByte(u"\u20AC\u0152\u2122\u0178"), (Bytes{0x80, 0x8C, 0x99, 0x9F}));
  // The five bytes Windows-1252 leaves unassigned pass through as controls.
  EXPECT_EQ(ToSingleByte(u"\u0081\u009D"), (Bytes{0x81, 0x9D}));
  // No byte of its own: a C1 control with a 1252 character, Cyrillic, CJK.
  EXPECT_EQ(ToSingleByte(u"\u0080\u0416\u4E2D"), ToBytes("???"));
}

TEST(ToSingleByte, SurrogatesGiveOneQuestionMarkPerCharacter) {
  const char16_t text[] = {u'a', 0xD83D, 0xDE00, u'b', 0xDC00};
  EXPECT_EQ(ToSingleByte(std::u16string_view(text, 5)), ToBytes("a?b?"));
}

}  // namespace
}  // namespace tessellux::generate
