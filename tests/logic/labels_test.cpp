#include <gtest/gtest.h>

#include "layout/labels.h"
#include "layout/layout_values.h"

namespace tessellux::layout {
namespace {

TEST(Labels, StartUpTexts) {
  EXPECT_EQ(RowsLabel(1), "2 rows");
  EXPECT_EQ(ColumnsLabel(1), "2 columns");
  EXPECT_EQ(GridSizeLabel(8), "8-pixel line separation");
  EXPECT_EQ(ThicknessLabel(2, Style::kLines), "2-pixel line thickness");
  EXPECT_EQ(ErrorCorrectionLabel(0), "4/48 bytes reserved\r\n2/48 bytes correctable");
}

TEST(Labels, EndsOfTheRanges) {
  EXPECT_EQ(RowsLabel(0), "1 row");
  EXPECT_EQ(RowsLabel(127), "254 rows");
  EXPECT_EQ(ColumnsLabel(0), "1 column");
  EXPECT_EQ(ColumnsLabel(127), "254 columns");
  EXPECT_EQ(ErrorCorrectionLabel(15), "34/48 bytes reserved\r\n17/48 bytes correctable");
}

TEST(Labels, ThicknessFollowsTheStyle) {
  EXPECT_EQ(ThicknessLabel(5, Style::kDots), "5 dot size");
  EXPECT_EQ(ThicknessLabel(5, Style::kDotsWithEmboss), "5 dot size");
  EXPECT_EQ(ThicknessLabel(5, Style::kLines), "5-pixel line thickness");
}

TEST(LayoutValues, BlockCountNeverOddAboveOne) {
  EXPECT_EQ(BlockCount(0), 1);
  EXPECT_EQ(BlockCount(1), 2);
  EXPECT_EQ(BlockCount(127), 254);
  EXPECT_EQ(StyleByte(Style::kLines), 1);
  EXPECT_EQ(StyleByte(Style::kDotsWithEmboss), 2);
}

}  // namespace
}  // namespace tessellux::layout
