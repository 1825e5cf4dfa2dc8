#include <gtest/gtest.h>

#include "geometry/labels.h"

namespace tessellux::geometry {
namespace {

TEST(Labels, StartUpTextsAndEndsOfTheRanges) {
  EXPECT_EQ(RowsLabel(0), "1 row");
  EXPECT_EQ(RowsLabel(1), "2 rows");
  EXPECT_EQ(RowsLabel(127), "254 rows");
  EXPECT_EQ(ColumnsLabel(0), "1 column");
  EXPECT_EQ(ColumnsLabel(127), "254 columns");
  EXPECT_EQ(GridSizeLabel(8), "8-pixel line separation");
  using Lines = std::array<std::string, 2>;
  EXPECT_EQ(ErrorCorrectionLabel(0), (Lines{"4/48 bytes reserved", "2/48 bytes correctable"}));
  EXPECT_EQ(ErrorCorrectionLabel(15), (Lines{"34/48 bytes reserved", "17/48 bytes correctable"}));
  EXPECT_EQ(ThicknessLabel(2, Style::kLines), "2-pixel line thickness");
  EXPECT_EQ(ThicknessLabel(5, Style::kDots), "5 dot size");
  EXPECT_EQ(ThicknessLabel(5, Style::kDotsWithEmboss), "5 dot size");
}

}  // namespace
}  // namespace tessellux::geometry
