#include <gtest/gtest.h>

#include "generate/results.h"

namespace tessellux::generate {
namespace {

ReplyGeometry Geometry(int r, int c, int k) { return {r, c, k}; }

TEST(ReplyGeometry, ReadsBytesThreeToFive) {
  app::Warning warning;
  const auto g = ReadReplyGeometry({0x54, 0x00, 5, 4, 6, 0x99}, &warning);
  ASSERT_TRUE(g);
  EXPECT_EQ(g->r, 5);
  EXPECT_EQ(g->c, 4);
  EXPECT_EQ(g->k, 6);
  const auto high = ReadReplyGeometry({0x54, 0x00, 255, 254, 17}, &warning);
  ASSERT_TRUE(high);
  EXPECT_EQ(high->r, 255);
  EXPECT_EQ(high->c, 254);
}

TEST(ReplyGeometry, RefusesCorrectableBytesOutsideTheControlsRange) {
  EXPECT_TRUE(ReadReplyGeometry({0, 0, 1, 1, 2}, nullptr));
  EXPECT_TRUE(ReadReplyGeometry({0, 0, 1, 1, 17}, nullptr));
  for (const std::uint8_t k : {0, 1, 18, 255}) {
    app::Warning warning;
    EXPECT_FALSE(ReadReplyGeometry({0, 0, 1, 1, k}, &warning));
    EXPECT_EQ(warning.title, "Unexpected Symbol Geometry");
    EXPECT_NE(warning.text.find(std::to_string(k)), std::string::npos) << warning.text;
  }
}

TEST(ReplyGeometry, RefusesAShortReply) {
  app::Warning warning;
  EXPECT_FALSE(ReadReplyGeometry({0x54, 0x00, 5, 4}, &warning));
  EXPECT_EQ(warning.title, "Unexpected Symbol Geometry");
  EXPECT_FALSE(ReadReplyGeometry({}, nullptr));
}

TEST(ScrollValues, HalveRowsAndColumnsAndShiftErrorCorrection) {
  const ScrollValues v = ScrollValuesOf(Geometry(5, 4, 6));
  EXPECT_EQ(v.rows, 2);
  EXPECT_EQ(v.cols, 2);
  EXPECT_EQ(v.error, 4);
  const ScrollValues top = ScrollValuesOf(Geometry(255, 1, 17));
  EXPECT_EQ(top.rows, 127);
  EXPECT_EQ(top.cols, 0);
  EXPECT_EQ(top.error, 15);
}

TEST(UsageStatistics, FiguresAddUpAndAreGrouped) {
  const UsageTexts a = UsageStatistics(Geometry(5, 4, 6));
  EXPECT_EQ(a.total, "280");
  EXPECT_EQ(a.error, "100");
  EXPECT_EQ(a.user, "180");
  const UsageTexts b = UsageStatistics(Geometry(10, 10, 6));
  EXPECT_EQ(b.total, "1,400");
  EXPECT_EQ(b.error, "500");
  EXPECT_EQ(b.user, "900");
  // 3.5 error bytes are shown as 4, and the user figure follows what is shown.
  const UsageTexts c = UsageStatistics(Geometry(1, 1, 3));
  EXPECT_EQ(c.total, "14");
  EXPECT_EQ(c.error, "4");
  EXPECT_EQ(c.user, "10");
  const UsageTexts d = UsageStatistics(Geometry(255, 255, 17));
  EXPECT_EQ(d.total, "910,350");
  EXPECT_EQ(d.error, "682,763");  // 682,762.5 rounded up
  EXPECT_EQ(d.user, "227,587");
}

TEST(FormatByteCount, GroupsThousands) {
  EXPECT_EQ(FormatByteCount(0), "0");
  EXPECT_EQ(FormatByteCount(999), "999");
  EXPECT_EQ(FormatByteCount(1000), "1,000");
  EXPECT_EQ(FormatByteCount(123456), "123,456");
  EXPECT_EQ(FormatByteCount(1234567), "1,234,567");
  EXPECT_EQ(FormatByteCount(-1234), "-1,234");
}

TEST(SymbolPixelSize, LinesAddOneThickness) {
  const PixelSize lines = SymbolPixelSize(Geometry(1, 2, 2), 4, 2, layout::Style::kLines);
  EXPECT_EQ(lines.width, 74);
  EXPECT_EQ(lines.height, 42);
  const PixelSize dots = SymbolPixelSize(Geometry(1, 2, 2), 4, 2, layout::Style::kDots);
  EXPECT_EQ(dots.width, 72);
  EXPECT_EQ(dots.height, 40);
  EXPECT_EQ(SymbolPixelSize(Geometry(3, 3, 2), 5, 3, layout::Style::kDotsWithEmboss).width, 130);
  EXPECT_EQ(SymbolPixelSize(Geometry(255, 255, 2), 128, 8, layout::Style::kLines).width, 261384);
}

}  // namespace
}  // namespace tessellux::generate
