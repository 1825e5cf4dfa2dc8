// BuildSymbol's checks and the Symbol's picture geometry.

#include <gtest/gtest.h>

#include "symbol/raster.h"
#include "tests/symbol/symbol_test_support.h"

namespace tessellux::symbol {
namespace {

using testing::MakeLayout;
using testing::Request;

BuildError ErrorOf(const BuildRequest& request, BuildLimits limits = {}) {
  auto built = BuildSymbol(request, limits);
  EXPECT_TRUE(std::holds_alternative<BuildError>(built));
  return std::holds_alternative<BuildError>(built) ? std::get<BuildError>(built) : BuildError::BadParameters;
}

TEST(BuildSymbol, LayoutBytesOutOfRangeAreBadParameters) {
  const Content content{"x", std::nullopt};
  const Layout bad[] = {
      MakeLayout(3, 2, 0, 8, Style::Lines, 2),   MakeLayout(2, 256, 0, 8, Style::Lines, 2),
      MakeLayout(2, 2, 3, 8, Style::Lines, 2),   MakeLayout(2, 2, 36, 8, Style::Lines, 2),
      MakeLayout(2, 2, 0, 2, Style::Lines, 2),   MakeLayout(2, 2, 0, 129, Style::Lines, 2),
      MakeLayout(2, 2, 0, 8, Style::Lines, 0),   MakeLayout(2, 2, 0, 8, Style::Lines, 9),
      MakeLayout(2, 2, 0, 8, static_cast<Style>(3), 2),
  };
  for (const Layout& layout : bad) EXPECT_EQ(ErrorOf(Request(content, layout)), BuildError::BadParameters);
}

TEST(BuildSymbol, DataTooLargeAndBitmapTooLarge) {
  EXPECT_EQ(ErrorOf(Request({std::string(200, 'x'), std::nullopt}, MakeLayout(2, 2, 0, 8, Style::Lines, 2))),
            BuildError::DataTooLarge);
  BuildLimits small;
  small.max_bitmap_bytes = 4096;
  // Fixed 20 x 20 at grid 8: 1298 pixels square, far above 4 KiB.
  EXPECT_EQ(ErrorOf(Request({"x", std::nullopt}, MakeLayout(20, 20, 0, 8, Style::Lines, 2)), small),
            BuildError::BitmapTooLarge);
  // Automatic size: the data chooses 254 x 254; at grid 128 that is gigabytes.
  EXPECT_EQ(ErrorOf(Request({std::string(500000, 'x'), std::nullopt}, MakeLayout(0, 0, 0, 128, Style::Dots, 8))),
            BuildError::BitmapTooLarge);
}

TEST(BuildSymbol, PictureSizeFollowsGridBlocksAndStyle) {
  auto lines = BuildSymbol(Request({"x", std::nullopt}, MakeLayout(2, 4, 6, 4, Style::Lines, 2)));
  ASSERT_TRUE(std::holds_alternative<Symbol>(lines));
  const Symbol& l = std::get<Symbol>(lines);
  EXPECT_EQ(l.width(), 4 * (8 * 4 + 2) + 2);
  EXPECT_EQ(l.height(), 4 * (8 * 2 + 2) + 2);
  EXPECT_EQ(l.row_bytes() % 4, 0u);
  EXPECT_GE(l.row_bytes() * 8, static_cast<std::size_t>(l.width()));
  EXPECT_EQ(l.geometry().k, 3);
  EXPECT_EQ(l.layout().reserved, 6);

  auto dots = BuildSymbol(Request({"x", std::nullopt}, MakeLayout(2, 4, 6, 4, Style::Dots, 2)));
  ASSERT_TRUE(std::holds_alternative<Symbol>(dots));
  EXPECT_EQ(std::get<Symbol>(dots).width(), 4 * (8 * 4 + 2));
}

TEST(BuildSymbol, AutomaticChoicesAreReportedInTheLayout) {
  auto built = BuildSymbol(Request({std::string(3000, 'a'), std::nullopt}));
  ASSERT_TRUE(std::holds_alternative<Symbol>(built));
  const Symbol& symbol = std::get<Symbol>(built);
  EXPECT_EQ(symbol.layout().rows, symbol.geometry().rows);
  EXPECT_EQ(symbol.layout().cols, symbol.geometry().cols);
  EXPECT_GT(symbol.geometry().rows, 1);
  EXPECT_EQ(symbol.geometry().k, kDefaultCorrectable);
  EXPECT_EQ(symbol.layout().reserved, 2 * kDefaultCorrectable);
}

TEST(BuildSymbol, BmpFileIsHeaderThenRowsBottomUp) {
  auto built = BuildSymbol(Request({"rows", std::nullopt}, MakeLayout(2, 2, 0, 5, Style::Dots, 2)));
  ASSERT_TRUE(std::holds_alternative<Symbol>(built));
  const Symbol& symbol = std::get<Symbol>(built);
  const Bytes file = symbol.ToBmp();
  const Bytes header = symbol.BmpHeader();
  ASSERT_EQ(file.size(), header.size() + symbol.row_bytes() * static_cast<std::size_t>(symbol.height()));
  EXPECT_TRUE(std::equal(header.begin(), header.end(), file.begin()));
  Bytes top(symbol.row_bytes());
  symbol.RenderRow(0, top.data());
  const auto last = file.end() - static_cast<std::ptrdiff_t>(symbol.row_bytes());
  EXPECT_TRUE(std::equal(top.begin(), top.end(), last));
}

}  // namespace
}  // namespace tessellux::symbol
