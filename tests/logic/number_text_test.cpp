#include <gtest/gtest.h>

#include "output/number_text.h"

namespace tessellux::output {
namespace {

TEST(LenientNumber, TakesTheLongestLeadingDecimalNumberElseZero) {
  const std::pair<const char*, double> cases[] = {
      {"600 dpi", 600}, {" 6\t0\n0x", 600}, {"600.5", 600.5}, {".5", 0.5}, {"7.", 7},  {"1.2.3", 1.2},
      {"-600", -600},   {"+300", 300},      {"", 0},          {"dpi", 0},  {".", 0},   {"-", 0},
      {"x600", 0},      {"600,5", 600},     {"\r600", 0},  // a comma is no decimal point; \r is not skipped
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(ReadLenientNumber(text), value) << '"' << text << '"';
}

TEST(SymbolSizeText, WorkedValues) {
  EXPECT_EQ(SymbolSizeText(74, 600), "0.123\"");
  EXPECT_EQ(SymbolSizeText(74, 600.5), "0.123\"");
  EXPECT_EQ(SymbolSizeText(1000, 600), "1.667\"");
  EXPECT_EQ(SymbolSizeText(1000, 600, ","), "1,667\"");
  EXPECT_EQ(SymbolSizeText(600, 600), "1\"");
  EXPECT_EQ(SymbolSizeText(150, 300), "0.5\"");
  EXPECT_EQ(SymbolSizeText(0, 600), "0\"");
  // 1 / 16 = 0.0625 and 3 / 16 = 0.1875: ties go to the even digit.
  EXPECT_EQ(SymbolSizeText(1, 16), "0.062\"");
  EXPECT_EQ(SymbolSizeText(3, 16), "0.188\"");
  EXPECT_EQ(SymbolSizeText(1000, 0), "") << "no resolution, no text";
  EXPECT_EQ(SymbolSizeText(1000, -600), "");
}

TEST(FormatByteCount, GroupsThousandsWithTheUsersSeparator) {
  EXPECT_EQ(FormatByteCount(910350), "910,350");
  EXPECT_EQ(FormatByteCount(999), "999");
  EXPECT_EQ(FormatByteCount(-1234567), "-1,234,567");
  // The user's own separator, even one of several bytes (a no-break space).
  EXPECT_EQ(FormatByteCount(1234567, "\u00A0"), "1\u00A0234\u00A0567");
  EXPECT_EQ(FormatByteCount(1400, "."), "1.400");
}

}  // namespace
}  // namespace tessellux::output
