// Whole symbols: build, write as BMP, read back (upright and mirrored).

#include <gtest/gtest.h>

#include "tests/symbol/codec_test_support.h"
#include "tests/symbol/symbol_test_support.h"

namespace tessellux::symbol {
namespace {

using testing::FakeJpeg;
using testing::MakeLayout;
using testing::Mirrored;
using testing::MustBuildBmp;
using testing::MustRead;
using testing::Request;

constexpr std::size_t kHeader = 62;

struct Look {
  int grid;
  Style style;
  int thickness;
};

const Look kLooks[] = {{8, Style::Lines, 2}, {4, Style::Lines, 1}, {11, Style::Lines, 3},
                       {6, Style::Dots, 2},  {9, Style::Dots, 3},  {16, Style::Dots, 5}};

TEST(SymbolRoundTrip, BothStylesSeveralGridsAndThicknesses) {
  const Content content{"Tessellux: Grüße aus der Mitte", FakeJpeg(120)};
  for (const Look& look : kLooks) {
    SCOPED_TRACE("grid " + std::to_string(look.grid) + " thickness " + std::to_string(look.thickness));
    const Layout layout = MakeLayout(0, 0, 0, look.grid, look.style, look.thickness);
    Geometry built;
    const Bytes bmp = MustBuildBmp(Request(content, layout), &built);
    const ReadResult read = MustRead(bmp);
    EXPECT_EQ(read.content.text, content.text);
    EXPECT_EQ(read.content.file, content.file);
    EXPECT_FALSE(read.mirrored);
    EXPECT_EQ(read.geometry.rows, built.rows);
    EXPECT_EQ(read.geometry.cols, built.cols);
    EXPECT_EQ(read.geometry.k, built.k);
    EXPECT_EQ(read.layout.grid, look.grid);
    EXPECT_EQ(read.layout.style, look.style);
    EXPECT_EQ(read.layout.thickness, look.thickness);
  }
}

TEST(SymbolRoundTrip, MirroredPictureReadsTheSame) {
  for (Style style : {Style::Lines, Style::Dots}) {
    auto built = BuildSymbol(Request({"mirror me", std::nullopt}, MakeLayout(4, 6, 8, 6, style, 2)));
    ASSERT_TRUE(std::holds_alternative<Symbol>(built));
    const Symbol& symbol = std::get<Symbol>(built);
    const ReadResult read = MustRead(Mirrored(symbol.ToBmp(), kHeader, symbol.row_bytes()));
    EXPECT_TRUE(read.mirrored);
    EXPECT_EQ(read.content.text, "mirror me");
    EXPECT_EQ(read.geometry.rows, 4);
    EXPECT_EQ(read.geometry.cols, 6);
  }
}

TEST(SymbolRoundTrip, SecurityTravelsThroughThePicture) {
  Security security;
  security.mode = SecurityMode::Private;
  security.company = "Acme";
  security.phrase = "open sesame";
  const Bytes bmp = MustBuildBmp(Request({"for staff only", std::nullopt}, {}, security));
  ReaderKeys keys;
  keys.phrase = "open sesame";
  EXPECT_EQ(MustRead(bmp, keys).content.text, "for staff only");
  keys.phrase = "open sesame!";
  auto wrong = ReadSymbol(bmp, keys);
  ASSERT_TRUE(std::holds_alternative<ReadError>(wrong));
  EXPECT_EQ(std::get<ReadError>(wrong).kind, DecodeFailure::WrongKey);
}

TEST(SymbolRoundTrip, SmallestAndLargerFixedSizes) {
  for (auto [rows, cols] : {std::pair{1, 1}, {1, 2}, {2, 1}, {12, 20}}) {
    const Bytes bmp = MustBuildBmp(Request({"z", std::nullopt}, MakeLayout(rows, cols, 4, 5, Style::Lines, 1)));
    const ReadResult read = MustRead(bmp);
    EXPECT_EQ(read.content.text, "z");
    EXPECT_EQ(read.geometry.rows, rows);
    EXPECT_EQ(read.geometry.cols, cols);
  }
}

TEST(SymbolRoundTrip, APaintedOverBlockIsCorrected) {
  auto built = BuildSymbol(Request({std::string(600, 'w'), std::nullopt}, MakeLayout(8, 8, 8, 6, Style::Lines, 2)));
  ASSERT_TRUE(std::holds_alternative<Symbol>(built));
  const Symbol& symbol = std::get<Symbol>(built);
  Bytes bmp = symbol.ToBmp();
  // Black out a square of about one block (48 x 48 pixels) inside the frame.
  for (int y = 100; y < 148; ++y)
    for (int x = 100; x < 148; ++x)
      bmp[kHeader + static_cast<std::size_t>(y) * symbol.row_bytes() + x / 8] &=
          static_cast<std::uint8_t>(~(0x80 >> (x % 8)));
  const ReadResult read = MustRead(bmp);
  EXPECT_EQ(read.content.text, std::string(600, 'w'));
  EXPECT_GT(read.corrected, 0);
}

TEST(SymbolRoundTrip, NotABitmapOrBlankPictureFailsAsUnreadable) {
  auto garbage = ReadSymbol(Bytes{'B', 'M', 1, 2, 3}, {});
  ASSERT_TRUE(std::holds_alternative<ReadError>(garbage));
  EXPECT_EQ(std::get<ReadError>(garbage).kind, DecodeFailure::Damaged);

  auto built = BuildSymbol(Request({"x", std::nullopt}, MakeLayout(2, 2, 4, 8, Style::Lines, 2)));
  ASSERT_TRUE(std::holds_alternative<Symbol>(built));
  Bytes blank = std::get<Symbol>(built).ToBmp();
  std::fill(blank.begin() + kHeader, blank.end(), 0xFF);
  EXPECT_TRUE(std::holds_alternative<ReadError>(ReadSymbol(blank, {})));
}

}  // namespace
}  // namespace tessellux::symbol
