#include "output/paper.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "output/page_fit.h"

namespace tessellux::output {
namespace {

TEST(Paper, DefaultSheetFromPapersizeElseTheLocale) {
  const struct {
    std::optional<std::string> papersize;
    const char* locale;
    const char* sheet;
  } cases[] = {
      {"a4\n", "en_US.UTF-8", "A4"},
      {"# the site's paper\n\n  Letter  \n", "de_DE.UTF-8", "Letter"},
      {"legal", "", "Legal"},
      {"tabloid\n", "en_US.UTF-8", "Letter"},  // unknown: the locale decides
      {std::nullopt, "en_US.UTF-8", "Letter"},
      {std::nullopt, "fr_CA.UTF-8@x", "Letter"},
      {std::nullopt, "es_MX", "Letter"},
      {std::nullopt, "en_GB.UTF-8", "A4"},
      {std::nullopt, "C.UTF-8", "A4"},
      {std::nullopt, "", "A4"},
      {"", "en_US", "Letter"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DefaultPaper(c.papersize, c.locale).name, c.sheet) << c.papersize.value_or("(none)") << " " << c.locale;
  }
  const PaperSize a4 = DefaultPaper("a4", "");
  EXPECT_NEAR(a4.width_inches, 8.268, 1e-3);
  EXPECT_NEAR(a4.height_inches, 11.693, 1e-3);
}

TEST(Paper, SystemPaperHonoursTheEnvironmentInLibpapersOrder) {
  const auto dir = std::filesystem::temp_directory_path() / ("tessellux_paper_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "papersize") << "a5\n";
  ::setenv("PAPERCONF", (dir / "papersize").c_str(), 1);
  ::setenv("LC_ALL", "en_US.UTF-8", 1);
  ::unsetenv("PAPERSIZE");
  EXPECT_EQ(SystemPaper().name, "A5");
  ::setenv("PAPERSIZE", "letter", 1);
  EXPECT_EQ(SystemPaper().name, "Letter");
  ::unsetenv("PAPERSIZE");
  ::setenv("PAPERCONF", (dir / "missing").c_str(), 1);
  EXPECT_EQ(SystemPaper().name, "Letter");  // the locale's
  ::unsetenv("PAPERCONF");
  ::unsetenv("LC_ALL");
  std::filesystem::remove_all(dir);
}

TEST(Paper, ChoiceNames) {
  EXPECT_TRUE(PaperChoiceFromName("fit")->fit);
  EXPECT_EQ(PaperChoiceFromName("A4")->sheet.name, "A4");
  EXPECT_EQ(PaperChoiceFromName("letter")->sheet.name, "Letter");
  EXPECT_FALSE(PaperChoiceFromName("a4 "));
  EXPECT_FALSE(PaperChoiceFromName(""));
}

// A symbol 8.6 inches wide at 600 dpi does not fit A4 (8.27") nor Letter:
// the page widens to hold it whole and keeps the sheet's length.
TEST(Paper, PdfPageHoldsTheWholeSymbolPage) {
  const int dpi = 600;
  const DotSize extent = SymbolPageExtent(dpi, 5160, 5160, 4, 100, 800);
  EXPECT_EQ(extent.width, 5160);
  EXPECT_EQ(extent.height, 600 + 5160 + 400);

  const PaperChoice a4 = *PaperChoiceFromName("a4");
  const PdfPage wide = PdfPageFor(a4, extent.width, extent.height, dpi);
  EXPECT_TRUE(wide.enlarged);
  EXPECT_TRUE(wide.size.name.empty());
  EXPECT_GE((wide.size.width_inches - 2 * kPdfMarginInches) * dpi, extent.width);
  EXPECT_NEAR(wide.size.height_inches, a4.sheet.height_inches, 1e-9);

  // Longer than the sheet as well: both grow.
  const PdfPage large = PdfPageFor(a4, 5160, 8000, dpi);
  EXPECT_GE((large.size.height_inches - 2 * kPdfMarginInches) * dpi, 8000);

  // A small symbol stays on the sheet, as named.
  const PdfPage sheet = PdfPageFor(a4, 1000, 2000, dpi);
  EXPECT_FALSE(sheet.enlarged);
  EXPECT_EQ(sheet.size.name, "A4");

  // Made to measure: the content, a dot to spare and the margins.
  const PdfPage fit = PdfPageFor(*PaperChoiceFromName("fit"), 1199, 599, dpi);
  EXPECT_FALSE(fit.enlarged);
  EXPECT_NEAR(fit.size.width_inches, 2.0 + 0.5, 1e-9);
  EXPECT_NEAR(fit.size.height_inches, 1.0 + 0.5, 1e-9);
}

TEST(PageFit, ExtentsFollowThePlacedPage) {
  // Annotations wider than the symbol set the width, centred on it.
  EXPECT_EQ(SymbolPageExtent(600, 300, 300, 4, 50, 400).width, 800);
  // The sheet's first cell: a quarter inch in, an inch to its right, half an inch below.
  const DotSize cell = SheetCellExtent(600, 300, 1000, 1000);
  EXPECT_EQ(cell.width, 150 + 1000 + 600);
  EXPECT_EQ(cell.height, 75 + 1000 + 150);
}

TEST(PageFit, ShortfallSaysWhatIsNeededWhatThePaperOffersAndWhatToChange) {
  const int dpi = 600;
  const DotSize symbol{5160, 5160};  // 8.6" at grid size 12
  const DotSize extent = SymbolPageExtent(dpi, symbol.width, symbol.height, 4, 100, 500);
  const DotSize letter_printable{static_cast<int>(8.0 * dpi), static_cast<int>(10.5 * dpi)};
  const auto shortfall = CheckFit(extent, letter_printable, symbol, dpi, dpi, 12, 3);
  ASSERT_TRUE(shortfall);
  EXPECT_NEAR(shortfall->needed_width, 8.6, 1e-9);
  EXPECT_NEAR(shortfall->needed_height, (600 + 5160 + 400) / 600.0, 1e-9);
  EXPECT_NEAR(shortfall->printable_width, 8.0, 1e-9);
  EXPECT_NEAR(shortfall->printable_height, 10.5, 1e-9);
  // 4800 / 5160 of grid 12 is 11.16: grid 11 fits, thickness 3 may stay.
  EXPECT_EQ(shortfall->grid_at_most, 11);
  EXPECT_EQ(shortfall->thickness_at_most, 3);

  // What fits is not refused.
  EXPECT_FALSE(CheckFit(extent, {extent.width, extent.height}, symbol, dpi, dpi, 12, 3));
  // Too little room for even the smallest grid: only paper helps.
  const auto hopeless = CheckFit(extent, {1000, 1000}, symbol, dpi, dpi, 12, 3);
  ASSERT_TRUE(hopeless);
  EXPECT_EQ(hopeless->grid_at_most, 0);
  // A smaller grid takes the thickness down with it (it stays below the grid).
  const auto thinner = CheckFit(extent, {2000, 10000}, symbol, dpi, dpi, 12, 8);
  ASSERT_TRUE(thinner);
  EXPECT_EQ(thinner->grid_at_most, 4);
  EXPECT_EQ(thinner->thickness_at_most, 3);
}

}  // namespace
}  // namespace tessellux::output
