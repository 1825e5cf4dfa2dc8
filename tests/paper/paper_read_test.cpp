// Symbols printed and scanned by the simulator: each fault alone and all
// together, Lines and Dots, public and private, across scales; a page read
// is the text exactly or a refusal, never other data.

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <utility>
#include <string>
#include <variant>

#include "scan/print_scan.h"
#include "symbol/paper.h"
#include "tests/paper/paper_test_support.h"

namespace tessellux::symbol {
namespace {

using testing::CellPixels;
using testing::MakeSymbol;
using testing::PrintAndScan;
using testing::PrintedSymbol;
using testing::ReadText;

const char* StyleName(Style style) { return style == Style::Lines ? "Lines" : "Dots"; }

// A 1200 dpi printer, two dots per symbol pixel: 16 dots (0.34 mm) a cell.
scan::PrintSettings FinePrinter() {
  scan::PrintSettings print;
  print.printer_dpi = 1200;
  print.dots_per_pixel = 2;
  return print;
}

struct Fault {
  const char* name;
  void (*apply)(scan::ScanSettings&, scan::PrintSettings&);
};

const Fault kFaults[] = {
    {"turned 37 degrees", [](scan::ScanSettings& s, scan::PrintSettings&) { s.rotation_deg = 37; }},
    {"upside down", [](scan::ScanSettings& s, scan::PrintSettings&) { s.rotation_deg = 180; }},
    {"mirrored", [](scan::ScanSettings& s, scan::PrintSettings&) { s.mirror = true; }},
    {"mirrored and turned", [](scan::ScanSettings& s, scan::PrintSettings&) { s.mirror = true, s.rotation_deg = 250; }},
    {"perspective", [](scan::ScanSettings& s, scan::PrintSettings&) { s.perspective = 0.05; }},
    {"blur 1/8 cell", [](scan::ScanSettings& s, scan::PrintSettings& p) { s.blur_px = CellPixels(p, s.dpi) / 8; }},
    {"blur 1/4 cell", [](scan::ScanSettings& s, scan::PrintSettings& p) { s.blur_px = CellPixels(p, s.dpi) / 4; }},
    {"light falling to 60%", [](scan::ScanSettings& s, scan::PrintSettings&) { s.lighting_floor = 0.6; }},
    {"noise", [](scan::ScanSettings& s, scan::PrintSettings&) { s.noise = 12; }},
    {"ink spread", [](scan::ScanSettings&, scan::PrintSettings& p) { p.ink_spread = 1; }},
    {"ink shrink", [](scan::ScanSettings&, scan::PrintSettings& p) { p.ink_spread = -1; }},
    {"JPEG 75", [](scan::ScanSettings& s, scan::PrintSettings&) { s.jpeg_quality = 75; }},
    {"300 dpi", [](scan::ScanSettings& s, scan::PrintSettings&) { s.dpi = 300; }},
    {"1200 dpi", [](scan::ScanSettings& s, scan::PrintSettings&) { s.dpi = 1200; }},
};

TEST(PaperRead, EachFaultAloneLinesAndDots) {
  for (Style style : {Style::Lines, Style::Dots}) {
    // Dots of 3/8 cell: at 300 dpi or shrunk by the printer a quarter-cell
    // dot is less than a scanned pixel (see docs/reader.md, limits).
    const int thickness = style == Style::Dots ? 3 : 2;
    const PrintedSymbol symbol =
        MakeSymbol(std::string("one fault at a time, ") + StyleName(style), style, 2, {}, 8, thickness);
    for (const Fault& fault : kFaults) {
      SCOPED_TRACE(std::string(StyleName(style)) + ", " + fault.name);
      scan::ScanSettings settings;
      scan::PrintSettings print = FinePrinter();
      settings.dpi = 600;
      fault.apply(settings, print);
      EXPECT_EQ(ReadText(PrintAndScan(symbol, settings, print).image), symbol.text);
    }
  }
}

// Quarter-cell dots under a blur as wide as themselves keep about 15 % of
// their darkness: no pixel is darker than 0.85 of the paper.
TEST(PaperRead, FaintBlurredDotsAreFound) {
  const PrintedSymbol symbol = MakeSymbol("dots blurred by a quarter cell", Style::Dots, 4, {}, 8, 2);
  for (double dpi : {300.0, 600.0}) {
    scan::ScanSettings settings;
    scan::PrintSettings print = FinePrinter();
    settings.dpi = dpi;
    settings.rotation_deg = 200;
    settings.blur_px = CellPixels(print, dpi) / 4;
    settings.lighting_floor = 0.8;
    SCOPED_TRACE(dpi);
    EXPECT_EQ(ReadText(PrintAndScan(symbol, settings, print).image), symbol.text);
  }
}

// Everything at once, at a random angle, over several seeds.
scan::ScanSettings AllFaults(std::uint32_t seed, const scan::PrintSettings& print, double dpi) {
  std::mt19937 random(seed);
  scan::ScanSettings s;
  s.seed = seed;
  s.dpi = dpi;
  s.rotation_deg = std::uniform_real_distribution<double>(0, 360)(random);
  s.mirror = seed % 2 == 1;
  s.perspective = 0.03;
  s.blur_px = CellPixels(print, dpi) / 8;
  s.lighting_floor = 0.6;
  s.noise = 8;
  s.jpeg_quality = 75;
  return s;
}

TEST(PaperRead, AllFaultsTogether) {
  int read = 0, tried = 0;
  for (Style style : {Style::Lines, Style::Dots}) {
    const PrintedSymbol symbol = MakeSymbol(std::string("every fault together, ") + StyleName(style), style, 4);
    for (std::uint32_t seed = 1; seed <= 4; ++seed) {
      scan::PrintSettings print = FinePrinter();
      print.ink_spread = seed % 3 == 0 ? -1 : 1;
      const std::string text = ReadText(PrintAndScan(symbol, AllFaults(seed, print, 600), print).image);
      SCOPED_TRACE(std::string(StyleName(style)) + " seed " + std::to_string(seed));
      EXPECT_TRUE(text == symbol.text || text.starts_with("refused: ")) << text;  // never other data
      read += text == symbol.text;
      ++tried;
    }
  }
  EXPECT_GE(read, tried - 1);
}

TEST(PaperRead, ScalesFromFourToFortyPixelsPerCellNotWhole) {
  for (Style style : {Style::Lines, Style::Dots}) {
    const PrintedSymbol symbol = MakeSymbol("any scale", style);
    for (double dpi : {310.0, 455.0, 777.0, 1333.0, 2990.0}) {
      scan::PrintSettings print = FinePrinter();
      scan::ScanSettings settings;
      settings.dpi = dpi;
      settings.rotation_deg = 23;
      SCOPED_TRACE(std::string(StyleName(style)) + " at " + std::to_string(CellPixels(print, dpi)) + " px/cell");
      EXPECT_EQ(ReadText(PrintAndScan(symbol, settings, print).image), symbol.text);
    }
  }
}

TEST(PaperRead, LinesDownToTwoAndAHalfPixelsPerCell) {
  const PrintedSymbol symbol = MakeSymbol("small print", Style::Lines, 2, {}, 8, 3);
  scan::PrintSettings print = FinePrinter();
  scan::ScanSettings settings;
  settings.dpi = 1200 * 2.5 / 16;
  settings.rotation_deg = 5;
  EXPECT_EQ(ReadText(PrintAndScan(symbol, settings, print).image), symbol.text);
}

TEST(PaperRead, PrivateSymbolOpensOnlyWithItsPhrase) {
  const PrintedSymbol symbol =
      MakeSymbol("company secret", Style::Dots, 4, testing::Secure(SecurityMode::Private, "ACME", "open sesame"));
  scan::ScanSettings settings;
  settings.rotation_deg = 140;
  settings.noise = 6;
  const GreyImage page = PrintAndScan(symbol, settings, FinePrinter()).image;
  EXPECT_EQ(ReadText(page, ReaderKeys{"ACME", "open sesame", "", ""}), symbol.text);
  const auto reads = ReadGreyPicture(page, ReaderKeys{"ACME", "wrong", "", ""});
  ASSERT_TRUE(std::holds_alternative<ReadError>(reads.front().result));
  EXPECT_NE(std::get<ReadError>(reads.front().result).kind, DecodeFailure::Damaged);
}

TEST(PaperRead, OnAPageAmongOtherMarks) {
  const PrintedSymbol symbol = MakeSymbol("on a letter", Style::Lines, 4);
  scan::PrintSettings print;
  print.printer_dpi = 300;
  print.page = true;
  print.other_marks = true;
  scan::ScanSettings settings;
  settings.dpi = 200;  // 5.3 pixels per cell
  settings.rotation_deg = -2;
  settings.lighting_floor = 0.7;
  EXPECT_EQ(ReadText(PrintAndScan(symbol, settings, print).image), symbol.text);
}

// A page of more than 6 megapixels is searched on a reduced copy of its
// ink; the corners still come from the full size.
TEST(PaperRead, ALargePageIsSearchedOnAReducedCopy) {
  for (Style style : {Style::Lines, Style::Dots}) {
    const PrintedSymbol symbol = MakeSymbol(std::string("a large page, ") + StyleName(style), style, 2, {}, 8, 3);
    scan::PrintSettings print;
    print.printer_dpi = 300;
    print.page = true;
    print.other_marks = true;
    scan::ScanSettings settings;
    settings.dpi = 260;  // 2150 x 3040 pixels, 6.9 pixels per cell
    settings.rotation_deg = 4;
    const scan::ScannedPage page = PrintAndScan(symbol, settings, print);
    ASSERT_GT(static_cast<double>(page.image.width) * page.image.height, 6e6);
    SCOPED_TRACE(StyleName(style));
    const auto reads = ReadGreyPicture(page.image, {});
    ASSERT_TRUE(std::holds_alternative<ReadResult>(reads.front().result));
    EXPECT_EQ(std::get<ReadResult>(reads.front().result).content.text, symbol.text);
    const double cell = CellPixels(print, settings.dpi);
    for (int k = 0; k < 4; ++k) {
      EXPECT_NEAR(reads.front().scan->corners[k].x, page.symbol_corners[k].x, cell);
      EXPECT_NEAR(reads.front().scan->corners[k].y, page.symbol_corners[k].y, cell);
    }
  }
}

TEST(PaperRead, ReportsWhereAndHowTheSymbolLies) {
  const PrintedSymbol symbol = MakeSymbol("where am I", Style::Lines);
  scan::PrintSettings print = FinePrinter();
  for (bool mirror : {false, true}) {
    scan::ScanSettings settings;
    settings.rotation_deg = 120;
    settings.mirror = mirror;
    const scan::ScannedPage page = PrintAndScan(symbol, settings, print);
    const auto reads = ReadGreyPicture(page.image, {});
    ASSERT_TRUE(std::holds_alternative<ReadResult>(reads.front().result));
    ASSERT_TRUE(reads.front().scan.has_value());
    const ScanReport& report = *reads.front().scan;
    const double cell = CellPixels(print, settings.dpi);
    EXPECT_NEAR(report.cell_pixels, cell, 0.02 * cell);
    EXPECT_EQ(report.mirrored, mirror);
    EXPECT_EQ(std::get<ReadResult>(reads.front().result).mirrored, mirror);
    // Mirrored before it was turned, the top edge points the other way.
    const double expected = mirror ? 120 + 180 : 120;
    EXPECT_NEAR(std::remainder(report.rotation - expected, 360.0), 0, 1.0);
    for (int k = 0; k < 4; ++k) {  // the frame's ink centres lie within a cell of the bitmap's corners
      EXPECT_NEAR(report.corners[k].x, page.symbol_corners[k].x, cell);
      EXPECT_NEAR(report.corners[k].y, page.symbol_corners[k].y, cell);
    }
    EXPECT_GT(report.contrast, 0.6);
  }
}

TEST(PaperRead, AllReadsEverySymbolOnThePage) {
  const PrintedSymbol left = MakeSymbol("left one", Style::Lines), right = MakeSymbol("right one", Style::Dots, 4);
  // Both bitmaps side by side with white between.
  Bitmap both(left.bitmap.width + 60 + right.bitmap.width, std::max(left.bitmap.height, right.bitmap.height));
  for (int y = 0; y < left.bitmap.height; ++y)
    for (int x = 0; x < left.bitmap.width; ++x) both.set(x, y, left.bitmap.black(x, y));
  for (int y = 0; y < right.bitmap.height; ++y)
    for (int x = 0; x < right.bitmap.width; ++x) both.set(left.bitmap.width + 60 + x, y, right.bitmap.black(x, y));
  scan::ScanSettings settings;
  settings.rotation_deg = 8;
  const GreyImage page = scan::PrintAndScan(both, FinePrinter(), settings).image;
  const auto all = ReadGreyPicture(page, {}, PictureOptions{true});
  ASSERT_EQ(all.size(), 2U);
  std::vector<std::string> texts;
  for (const auto& read : all) {
    ASSERT_TRUE(std::holds_alternative<ReadResult>(read.result));
    texts.push_back(std::get<ReadResult>(read.result).content.text);
  }
  EXPECT_EQ(texts, (std::vector<std::string>{"right one", "left one"}));  // largest first
  EXPECT_EQ(ReadText(page), "right one");
}

// Blots of white or black over part of the symbol: as long as error
// correction copes the text comes back, beyond that a refusal.
TEST(PaperRead, BlottedSymbolsAreReadOrRefusedNeverWrong) {
  const PrintedSymbol symbol = MakeSymbol("blotted", Style::Lines, 4);
  int read = 0, refused = 0;
  for (std::uint32_t seed = 1; seed <= 8; ++seed) {
    scan::ScanSettings settings;
    settings.seed = seed;
    scan::ScannedPage page = PrintAndScan(symbol, settings, FinePrinter());
    std::mt19937 random(seed);
    const auto& c = page.symbol_corners;
    const double size = c[1].x - c[0].x, share = 0.1 + 0.05 * seed;  // 15 % to 50 % of the side
    const int x0 = static_cast<int>(c[0].x + size * (0.2 + 0.3 * (random() % 100) / 100.0));
    const int y0 = static_cast<int>(c[0].y + size * (0.2 + 0.3 * (random() % 100) / 100.0));
    const std::uint8_t ink = seed % 2 ? 20 : 235;
    for (int y = y0; y < y0 + size * share && y < page.image.height; ++y)
      for (int x = x0; x < x0 + size * share && x < page.image.width; ++x)
        page.image.pixels[static_cast<std::size_t>(y) * page.image.width + x] = ink;
    const std::string text = ReadText(page.image);
    SCOPED_TRACE("seed " + std::to_string(seed));
    EXPECT_TRUE(text == symbol.text || text.starts_with("refused: ")) << text;
    read += text == symbol.text;
    refused += text != symbol.text;
  }
  EXPECT_GT(read, 0);
  EXPECT_GT(refused, 0);
}

// Grid 4 with one-dot lines, printed at 600 dpi with the ink spread by a
// dot at every edge: the clear marks between spread lines are darker than
// a cell's centre, so marks are judged against the block's clear reference
// marks. Upside down, as a page laid on the glass the wrong way.
TEST(PaperRead, SpreadInkOnTheSmallestGridsIsRead) {
  // 1,200 bytes of words, the size chosen automatically (12 x 12 blocks).
  std::mt19937 random(1);
  std::string text;
  while (text.size() < 1200) {
    const int letters = 2 + static_cast<int>(random() % 8);
    for (int i = 0; i < letters && text.size() < 1200; ++i) text += static_cast<char>('a' + random() % 26);
    if (text.size() < 1200) text += ' ';
  }
  SymbolSpec spec;
  spec.layout = Layout{0, 0, 0, 4, Style::Lines, 1};
  spec.content.text = text;
  const Bytes bmp = std::get<Symbol>(BuildSymbol(spec)).ToBmp();
  const Bitmap bitmap = std::get<Bitmap>(ParseBmp(bmp));
  scan::PrintSettings print;
  print.printer_dpi = 600;
  print.ink_spread = 1;
  for (const auto& [turn, seed] : {std::pair{179.598181, 4u}, std::pair{180.133128, 19u}}) {
    SCOPED_TRACE("turned " + std::to_string(turn));
    scan::ScanSettings settings;
    settings.dpi = 600;
    settings.rotation_deg = turn;
    settings.seed = seed;
    const std::string read = ReadText(scan::PrintAndScan(bitmap, print, settings).image);
    EXPECT_TRUE(read == text) << read.substr(0, 80);
  }
}

}  // namespace
}  // namespace tessellux::symbol
