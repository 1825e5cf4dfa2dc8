#include <gtest/gtest.h>

#include "generate/single_byte.h"
#include "generate/unicode.h"

namespace tessellux::generate {
namespace {

using namespace std::string_view_literals;

TEST(UnicodeToUtf8, EachRangeAtItsBoundariesSurrogatesAndOneTrailingNul) {
  const std::pair<std::u16string_view, Bytes> cases[] = {
      {u"abc", {0x61, 0x62, 0x63}},
      {u"\u007F", {0x7F}},
      {u"\u00E9", {0xC3, 0xA9}},
      {u"\u07FF", {0xDF, 0xBF}},
      {u"\u0800", {0xE0, 0xA0, 0x80}},
      {u"\u20AC", {0xE2, 0x82, 0xAC}},
      {u"\uFFFF", {0xEF, 0xBF, 0xBF}},
      {u"", {}},
      {u"\xD83D\xDE00"sv, {0xED, 0xA0, 0xBD, 0xED, 0xB8, 0x80}},  // a pair is two three-byte sequences
      {u"a\0"sv, {0x61}},
      {u"a\0\0"sv, {0x61, 0x00}},
      {u"a\0b"sv, {0x61, 0x00, 0x62}},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(UnicodeToUtf8(cases[i].first), cases[i].second) << i;
}

TEST(ToSingleByte, UsesWindows1252AndQuestionMarkForTheRest) {
  EXPECT_EQ(ToSingleByte(u"1234-5678-9012"), ToBytes("1234-5678-9012"));
  EXPECT_EQ(ToSingleByte(u"\u00E9\u00FF\u00A0"), (Bytes{0xE9, 0xFF, 0xA0}));
  EXPECT_EQ(ToSingleByte(u"\u20AC\u0152\u2122\u0178"), (Bytes{0x80, 0x8C, 0x99, 0x9F}));
  // The five bytes Windows-1252 leaves unassigned pass through as controls.
  EXPECT_EQ(ToSingleByte(u"\u0081\u009D"), (Bytes{0x81, 0x9D}));
  // No byte of its own: a C1 control with a 1252 character, Cyrillic, CJK, lone or paired surrogates.
  EXPECT_EQ(ToSingleByte(u"\u0080\u0416\u4E2D"), ToBytes("???"));
  EXPECT_EQ(ToSingleByte(u"a\xD83D\xDE00" u"b\xDC00"sv), ToBytes("a?b?"));
}

}  // namespace
}  // namespace tessellux::generate
