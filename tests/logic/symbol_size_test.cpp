#include <gtest/gtest.h>

#include "output/symbol_size.h"

namespace tessellux::output {
namespace {

TEST(LenientNumber, TakesTheLongestLeadingDecimalNumber) {
  EXPECT_EQ(ReadLenientNumber("600"), 600.0);
  EXPECT_EQ(ReadLenientNumber("600 dpi"), 600.0);
  EXPECT_EQ(ReadLenientNumber(" 6\t0\n0x"), 600.0);
  EXPECT_EQ(ReadLenientNumber("600.5"), 600.5);
  EXPECT_EQ(ReadLenientNumber(".5"), 0.5);
  EXPECT_EQ(ReadLenientNumber("7."), 7.0);
  EXPECT_EQ(ReadLenientNumber("1.2.3"), 1.2);
  EXPECT_EQ(ReadLenientNumber("-600"), -600.0);
  EXPECT_EQ(ReadLenientNumber("+300"), 300.0);
}

TEST(LenientNumber, NothingReadableGivesZero) {
  EXPECT_EQ(ReadLenientNumber(""), 0.0);
  EXPECT_EQ(ReadLenientNumber("dpi"), 0.0);
  EXPECT_EQ(ReadLenientNumber("."), 0.0);
  EXPECT_EQ(ReadLenientNumber("-"), 0.0);
  EXPECT_EQ(ReadLenientNumber("x600"), 0.0);
  // A comma is not a decimal point, and a carriage return is not skipped.
  EXPECT_EQ(ReadLenientNumber("600,5"), 600.0);
  EXPECT_EQ(ReadLenientNumber("\r600"), 0.0);
}

TEST(SymbolSizeText, WorkedValues) {
  EXPECT_EQ(SymbolSizeText(1000, 600), "1.667\"");
  EXPECT_EQ(SymbolSizeText(600, 600), "1\"");
  EXPECT_EQ(SymbolSizeText(150, 300), "0.5\"");
  EXPECT_EQ(SymbolSizeText(74, 600), "0.123\"");
  EXPECT_EQ(SymbolSizeText(74, 3), "24.667\"");
  EXPECT_EQ(SymbolSizeText(74, 600.5), "0.123\"");
  EXPECT_EQ(SymbolSizeText(0, 600), "0\"");
}

TEST(SymbolSizeText, TiesGoToTheEvenDigit) {
  // 1 / 16 = 0.0625 and 3 / 16 = 0.1875 are exact halves of a thousandth.
  EXPECT_EQ(SymbolSizeText(1, 16), "0.062\"");
  EXPECT_EQ(SymbolSizeText(3, 16), "0.188\"");
}

TEST(SymbolSizeText, NoResolutionGivesNoText) {
  EXPECT_EQ(SymbolSizeText(1000, 0), "");
  EXPECT_EQ(SymbolSizeText(1000, -600), "");
}

TEST(SymbolSizeText, UsesTheGivenDecimalSeparator) {
  EXPECT_EQ(SymbolSizeText(1000, 600, ','), "1,667\"");
}

}  // namespace
}  // namespace tessellux::output
