// BuildSymbol's checks and the Symbol's picture geometry.

#include <gtest/gtest.h>

#include "symbol/raster.h"
#include "tests/symbol/symbol_test_support.h"

namespace tessellux::symbol {
namespace {

using testing::Request;

BuildError ErrorOf(const SymbolSpec& request, BuildLimits limits = {}) {
  auto built = BuildSymbol(request, limits);
  EXPECT_TRUE(std::holds_alternative<BuildError>(built));
  return std::holds_alternative<BuildError>(built) ? std::get<BuildError>(built) : BuildError::BadParameters;
}

TEST(BuildSymbol, RefusedWithTheRightError) {
  const Content x{"x", std::nullopt};
  const Layout bad[] = {
      Layout{3, 2, 0, 8, Style::Lines, 2}, Layout{2, 256, 0, 8, Style::Lines, 2},
      Layout{2, 2, 3, 8, Style::Lines, 2}, Layout{2, 2, 36, 8, Style::Lines, 2},
      Layout{2, 2, 0, 2, Style::Lines, 2}, Layout{2, 2, 0, 129, Style::Lines, 2},
      Layout{2, 2, 0, 8, Style::Lines, 0}, Layout{2, 2, 0, 8, Style::Lines, 9},
      Layout{2, 2, 0, 8, static_cast<Style>(3), 2},
  };
  for (const Layout& layout : bad) EXPECT_EQ(ErrorOf(Request(x, layout)), BuildError::BadParameters);
  EXPECT_EQ(ErrorOf(Request({std::string(200, 'x'), std::nullopt}, Layout{2, 2, 0, 8, Style::Lines, 2})),
            BuildError::DataTooLarge);
  BuildLimits small;
  small.max_bitmap_bytes = 4096;
  // Fixed 20 x 20 at grid 8: 1298 pixels square, far above 4 KiB.
  EXPECT_EQ(ErrorOf(Request(x, Layout{20, 20, 0, 8, Style::Lines, 2}), small), BuildError::BitmapTooLarge);
  // Automatic size: the data chooses 254 x 254; at grid 128 that is gigabytes.
  EXPECT_EQ(ErrorOf(Request({std::string(500000, 'x'), std::nullopt}, Layout{0, 0, 0, 128, Style::Dots, 8})),
            BuildError::BitmapTooLarge);
}

TEST(BuildSymbol, PictureSizeAndChoicesFollowTheLayout) {
  for (Style style : {Style::Lines, Style::Dots}) {
    auto built = BuildSymbol(Request({"x", std::nullopt}, Layout{2, 4, 6, 4, style, 2}));
    ASSERT_TRUE(std::holds_alternative<Symbol>(built));
    const Symbol& s = std::get<Symbol>(built);
    const int closing = style == Style::Lines ? 2 : 0;  // the closing lines' thickness
    EXPECT_EQ(s.width(), 4 * (8 * 4 + 2) + closing);
    EXPECT_EQ(s.height(), 4 * (8 * 2 + 2) + closing);
    EXPECT_EQ(s.geometry().k, 3);
    EXPECT_EQ(s.layout().reserved, 6);
  }
  auto automatic = BuildSymbol(Request({std::string(3000, 'a'), std::nullopt}));
  ASSERT_TRUE(std::holds_alternative<Symbol>(automatic));
  const Symbol& a = std::get<Symbol>(automatic);
  EXPECT_GT(a.geometry().rows, 1);
  EXPECT_EQ(a.layout().rows, a.geometry().rows);
  EXPECT_EQ(a.layout().cols, a.geometry().cols);
  EXPECT_EQ(a.geometry().k, kDefaultCorrectable);
  EXPECT_EQ(a.layout().reserved, 2 * kDefaultCorrectable);
}

TEST(BuildSymbol, BmpFileIsHeaderThenRowsBottomUp) {
  auto built = BuildSymbol(Request({"rows", std::nullopt}, Layout{2, 2, 0, 5, Style::Dots, 2}));
  ASSERT_TRUE(std::holds_alternative<Symbol>(built));
  const Symbol& symbol = std::get<Symbol>(built);
  const Bytes file = symbol.ToBmp(), header = symbol.BmpHeader();
  ASSERT_EQ(file.size(), header.size() + symbol.row_bytes() * static_cast<std::size_t>(symbol.height()));
  EXPECT_TRUE(std::equal(header.begin(), header.end(), file.begin()));
  Bytes top(symbol.row_bytes());
  symbol.RenderRow(0, top.data());
  EXPECT_TRUE(std::equal(top.begin(), top.end(), file.end() - static_cast<std::ptrdiff_t>(top.size())));
}

}  // namespace
}  // namespace tessellux::symbol
