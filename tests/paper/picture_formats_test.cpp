// Picture files the reader takes: PNG, JPEG, TIFF and BMP (1, 8, 24 and 32
// bits), grey or colour, of the symbol itself and of a scanned page; what
// it refuses before decoding.

#include <gtest/gtest.h>

#include <string>
#include <variant>

#include "scan/print_scan.h"
#include "symbol/paper.h"
#include "symbol/paper/picture_size.h"
#include "tests/paper/paper_test_support.h"

namespace tessellux::symbol {
namespace {

using testing::MakeSymbol;
using testing::PrintedSymbol;

std::string Text(const PictureRead& read) {
  if (const auto* result = std::get_if<ReadResult>(&read.result)) return result->content.text;
  return "refused: " + std::get<ReadError>(read.result).message;
}

// Read from the caller's bytes, and as tessellux-read does, the file handed
// over (a 1-bit BMP becomes the picture in its own buffer): the same outcome.
std::string ReadFileText(const Bytes& file, bool* exact = nullptr) {
  const auto reads = ReadPicture(file, {});
  const auto taken = ReadPrepared(PreparePicture(Bytes(file)), {});
  EXPECT_EQ(Text(taken.front()), Text(reads.front()));
  EXPECT_EQ(taken.front().scan.has_value(), reads.front().scan.has_value());
  if (exact) *exact = !reads.front().scan.has_value();
  return Text(reads.front());
}

TEST(PictureFormats, TheSymbolsOwnPixelsInEveryFormatReadTheExactWay) {
  for (Style style : {Style::Lines, Style::Dots}) {
    const PrintedSymbol symbol = MakeSymbol("exact pixels", style);
    const GreyImage grey = scan::BitmapToGrey(symbol.bitmap);
    const std::pair<const char*, Bytes> files[] = {
        {"png", scan::EncodePng(grey)},        {"tiff", scan::EncodeTiff(grey)},
        {"bmp1", scan::EncodeBmp(grey, 1)},    {"bmp8", scan::EncodeBmp(grey, 8)},
        {"bmp24", scan::EncodeBmp(grey, 24)},  {"bmp32", scan::EncodeBmp(grey, 32)},
    };
    for (const auto& [name, file] : files) {
      SCOPED_TRACE(name);
      bool exact = false;
      EXPECT_EQ(ReadFileText(file, &exact), "exact pixels");
      EXPECT_TRUE(exact);
    }
  }
}

TEST(PictureFormats, AScannedPageInEveryFormat) {
  const PrintedSymbol symbol = MakeSymbol("scanned and saved", Style::Lines);
  scan::ScanSettings settings;
  settings.dpi = 500;  // 6.7 pixels per cell
  settings.rotation_deg = 12;
  const GreyImage page = testing::PrintAndScan(symbol, settings).image;
  const std::pair<const char*, Bytes> files[] = {
      {"png", scan::EncodePng(page)},          {"jpeg", scan::EncodeJpeg(page, 80)},
      {"tiff", scan::EncodeTiff(page)},        {"bmp1", scan::EncodeBmp(page, 1)},
      {"bmp8", scan::EncodeBmp(page, 8)},      {"bmp24", scan::EncodeBmp(page, 24)},
      {"bmp32", scan::EncodeBmp(page, 32)},
  };
  for (const auto& [name, file] : files) {
    SCOPED_TRACE(name);
    bool exact = true;
    EXPECT_EQ(ReadFileText(file, &exact), "scanned and saved");
    EXPECT_FALSE(exact);
  }
}

TEST(PictureFormats, HeaderSizesAreReadBeforeDecoding) {
  const GreyImage grey{37, 23, std::vector<std::uint8_t>(37 * 23, 200)};
  for (const Bytes& file : {scan::EncodePng(grey), scan::EncodeJpeg(grey, 90), scan::EncodeTiff(grey),
                            scan::EncodeBmp(grey, 8), scan::EncodeBmp(grey, 1)}) {
    const auto size = paper::PictureSizeFromHeader(file);
    ASSERT_TRUE(size.has_value());
    EXPECT_EQ(size->width, 37);
    EXPECT_EQ(size->height, 23);
  }
  EXPECT_FALSE(paper::PictureSizeFromHeader(Bytes{'G', 'I', 'F', '8', '9', 'a'}).has_value());
}

TEST(PictureFormats, RefusedWithAReason) {
  EXPECT_EQ(ReadFileText(Bytes{1, 2, 3}), "refused: not a readable picture: not a PNG, JPEG, TIFF or BMP picture");
  // A PNG whose header claims 100000 x 100000 pixels is refused unread.
  Bytes png = scan::EncodePng(GreyImage{4, 4, std::vector<std::uint8_t>(16, 255)});
  for (int at : {16, 20}) png[at] = 0, png[at + 1] = 0x01, png[at + 2] = 0x86, png[at + 3] = 0xA0;
  EXPECT_EQ(ReadFileText(png), "refused: not a readable picture: picture too large");
  // A truncated file with a good header: refused, whether the decoder gives
  // up or hands over what it got.
  Bytes cut = scan::EncodePng(GreyImage{64, 64, std::vector<std::uint8_t>(64 * 64, 255)});
  cut.resize(40);
  EXPECT_TRUE(ReadFileText(cut).starts_with("refused: "));
  // Blank paper: decoded, but nothing on it.
  EXPECT_EQ(ReadFileText(scan::EncodePng(GreyImage{300, 200, std::vector<std::uint8_t>(300 * 200, 230)})),
            "refused: no symbol found on the picture");
}

}  // namespace
}  // namespace tessellux::symbol
