#include <gtest/gtest.h>

#include "generate/results.h"
#include "layout/layout_values.h"

namespace tessellux::generate {
namespace {

TEST(ReplyGeometry, ReadsBytesThreeToFive) {
  const auto g = ReadReplyGeometry({0x54, 0x00, 255, 254, 17, 0x99}, nullptr);
  ASSERT_TRUE(g);
  EXPECT_EQ(g->r, 255);
  EXPECT_EQ(g->c, 254);
  EXPECT_EQ(g->k, 17);
  EXPECT_TRUE(ReadReplyGeometry({0, 0, 1, 1, 2}, nullptr));
}

TEST(ReplyGeometry, RefusesCorrectableBytesOutsideTheControlsRangeAndShortReplies) {
  for (const std::uint8_t k : {0, 1, 18, 255}) {
    app::Warning warning;
    EXPECT_FALSE(ReadReplyGeometry({0, 0, 1, 1, k}, &warning));
    EXPECT_EQ(warning.title, "Unexpected Symbol Geometry");
    EXPECT_NE(warning.text.find(std::to_string(k)), std::string::npos) << warning.text;
  }
  app::Warning warning;
  EXPECT_FALSE(ReadReplyGeometry({0x54, 0x00, 5, 4}, &warning));
  EXPECT_EQ(warning.title, "Unexpected Symbol Geometry");
  EXPECT_FALSE(ReadReplyGeometry({}, nullptr));
}

TEST(ScrollValues, HalveRowsAndColumnsAndShiftErrorCorrection) {
  using namespace layout;
  EXPECT_EQ((std::array{BlockCountScroll(5), BlockCountScroll(4), CorrectableBytesScroll(6)}), (std::array{2, 2, 4}));
  EXPECT_EQ((std::array{BlockCountScroll(255), BlockCountScroll(1), CorrectableBytesScroll(17)}),
            (std::array{127, 0, 15}));
  for (int value : {0, 1, 64, 127}) EXPECT_EQ(BlockCountScroll(BlockCount(value)), value) << "round trip";
  for (int value : {0, 7, 15}) EXPECT_EQ(CorrectableBytesScroll(CorrectableBytes(value)), value);
}

TEST(UsageStatistics, FiguresAddUpAndAreGrouped) {
  const struct {
    ReplyGeometry g;
    std::int64_t total, error, user;
  } cases[] = {
      {{5, 4, 6}, 280, 100, 180},
      {{10, 10, 6}, 1400, 500, 900},
      {{1, 1, 3}, 14, 4, 10},  // 3.5 error bytes show as 4; the user figure follows what is shown
      {{255, 255, 17}, 910350, 682763, 227587},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.total);
    const UsageFigures u = UsageCounts(c.g);
    EXPECT_EQ(u.total, c.total);
    EXPECT_EQ(u.error, c.error);
    EXPECT_EQ(u.user, c.user);
  }
  EXPECT_EQ(FormatByteCount(910350), "910,350");
  EXPECT_EQ(FormatByteCount(999), "999");
  EXPECT_EQ(FormatByteCount(-1234567), "-1,234,567");
  // The user's own separator, even one of several bytes (a no-break space).
  EXPECT_EQ(FormatByteCount(1234567, "\u00A0"), "1\u00A0234\u00A0567");
  EXPECT_EQ(FormatByteCount(1400, "."), "1.400");
}

TEST(SymbolPixelSize, LinesAddOneThickness) {
  const PixelSize lines = SymbolPixelSize({1, 2, 2}, 4, 2, layout::Style::kLines);
  EXPECT_EQ(lines.width, 74);
  EXPECT_EQ(lines.height, 42);
  const PixelSize dots = SymbolPixelSize({1, 2, 2}, 4, 2, layout::Style::kDots);
  EXPECT_EQ(dots.width, 72);
  EXPECT_EQ(dots.height, 40);
  EXPECT_EQ(SymbolPixelSize({255, 255, 2}, 128, 8, layout::Style::kLines).width, 261384);
}

}  // namespace
}  // namespace tessellux::generate
