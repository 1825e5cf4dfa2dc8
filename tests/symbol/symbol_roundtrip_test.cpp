// Whole symbols: build, write as BMP, read back (upright and mirrored).

#include <gtest/gtest.h>

#include "tests/symbol/codec_test_support.h"
#include "tests/symbol/symbol_test_support.h"

namespace tessellux::symbol {
namespace {

using testing::FakeJpeg;
using testing::Mirrored;
using testing::MustBuildBmp;
using testing::MustRead;
using testing::Request;
using testing::Secure;

constexpr std::size_t kHeader = 62;

TEST(SymbolRoundTrip, StylesGridsThicknessesAndSizesUprightAndMirrored) {
  // One block (k = 2) holds 11 bytes: the stream of an empty symbol, no text.
  const Content full{"Tessellux: Grüße aus der Mitte", FakeJpeg(120)}, small{"z", std::nullopt}, none{};
  const Layout layouts[] = {
      Layout{0, 0, 0, 8, Style::Lines, 2},  Layout{0, 0, 0, 4, Style::Lines, 1},
      Layout{0, 0, 0, 11, Style::Lines, 3}, Layout{0, 0, 0, 6, Style::Dots, 2},
      Layout{0, 0, 0, 9, Style::Dots, 3},   Layout{0, 0, 0, 16, Style::Dots, 5},
      Layout{1, 1, 4, 5, Style::Lines, 1},  Layout{1, 2, 4, 5, Style::Dots, 1},
      Layout{2, 1, 4, 5, Style::Lines, 1},  Layout{12, 20, 4, 5, Style::Lines, 1},
      Layout{4, 6, 8, 6, Style::Dots, 2},
  };
  for (const Layout& layout : layouts) {
    const Content& content = layout.rows == 0 ? full : layout.rows * layout.cols == 1 ? none : small;
    Geometry built;
    const Bytes bmp = MustBuildBmp(Request(content, layout), &built);
    for (bool mirrored : {false, true}) {
      SCOPED_TRACE(std::to_string(layout.rows) + "x" + std::to_string(layout.cols) + " grid " +
                   std::to_string(layout.grid) + " thickness " + std::to_string(layout.thickness) +
                   (mirrored ? " mirrored" : ""));
      const ReadResult read = MustRead(mirrored ? Mirrored(bmp) : bmp);
      EXPECT_EQ(read.content.text, content.text);
      EXPECT_EQ(read.content.file, content.file);
      EXPECT_EQ(read.mirrored, mirrored);
      EXPECT_EQ(read.geometry.rows, built.rows);
      EXPECT_EQ(read.geometry.cols, built.cols);
      EXPECT_EQ(read.geometry.k, built.k);
      EXPECT_TRUE(layout.rows == 0 || (read.geometry.rows == layout.rows && read.geometry.cols == layout.cols));
      EXPECT_EQ(read.layout.grid, layout.grid);
      EXPECT_EQ(read.layout.style, layout.style);
      EXPECT_EQ(read.layout.thickness, layout.thickness);
    }
  }
}

TEST(SymbolRoundTrip, SecurityTravelsThroughThePicture) {
  const Bytes bmp =
      MustBuildBmp(Request({"for staff only", std::nullopt}, {}, Secure(SecurityMode::Private, "Acme", "open sesame")));
  ReaderKeys keys;
  keys.phrase = "open sesame";
  EXPECT_EQ(MustRead(bmp, keys).content.text, "for staff only");
  keys.phrase = "open sesame!";
  auto wrong = ReadSymbol(bmp, keys);
  ASSERT_TRUE(std::holds_alternative<ReadError>(wrong));
  EXPECT_EQ(std::get<ReadError>(wrong).kind, DecodeFailure::WrongKey);
}

TEST(SymbolRoundTrip, APaintedOverBlockIsCorrectedABlankPictureIsNot) {
  Bytes bmp = MustBuildBmp(Request({std::string(600, 'w'), std::nullopt}, Layout{8, 8, 8, 6, Style::Lines, 2}));
  const std::size_t row_bytes = ((bmp[18] | bmp[19] << 8) + 31u) / 32 * 4;  // from the width field
  // Black out a square of about one block (48 x 48 pixels) inside the frame.
  for (int y = 100; y < 148; ++y)
    for (int x = 100; x < 148; ++x)
      bmp[kHeader + static_cast<std::size_t>(y) * row_bytes + x / 8] &= static_cast<std::uint8_t>(~(0x80 >> (x % 8)));
  const ReadResult read = MustRead(bmp);
  EXPECT_EQ(read.content.text, std::string(600, 'w'));
  EXPECT_GT(read.corrected, 0);

  std::fill(bmp.begin() + kHeader, bmp.end(), 0xFF);
  EXPECT_TRUE(std::holds_alternative<ReadError>(ReadSymbol(bmp, {})));
  auto garbage = ReadSymbol(Bytes{'B', 'M', 1, 2, 3}, {});
  ASSERT_TRUE(std::holds_alternative<ReadError>(garbage));
  EXPECT_EQ(std::get<ReadError>(garbage).kind, DecodeFailure::Damaged);
}

}  // namespace
}  // namespace tessellux::symbol
