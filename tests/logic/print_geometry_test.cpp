// Printer resolution, the "Print" page and the test sheet, without a printer.

#include <gtest/gtest.h>

#include "output/print_geometry.h"

namespace tessellux::output {
namespace {

TEST(PrintGeometry, ResolutionFromThePrintableWidth) {
  const struct {
    double inches;
    double dots;
    std::optional<int> dpi;
  } cases[] = {{8, 960, 120},     {8.5, 5100, 600},         {2, 1001, 500} /* 500.5: tie to even */,
               {2, 1003, 502},    {0, 960, std::nullopt}, {8, 0, std::nullopt},
               {-8, 960, std::nullopt}, {8, -960, std::nullopt}};
  for (const auto& c : cases) EXPECT_EQ(ResolutionFromPrintableWidth(c.inches, c.dots), c.dpi) << c.dots;
}

TEST(PrintGeometry, OnlyNoModifierOrExactlyCtrlAltPrint) {
  const struct {
    int shift;
    PrintAction action;
  } cases[] = {{0, PrintAction::kSymbol},  {6, PrintAction::kTestSheet}, {1, PrintAction::kNothing},
               {2, PrintAction::kNothing}, {4, PrintAction::kNothing},   {7, PrintAction::kNothing},
               {3, PrintAction::kNothing}, {5, PrintAction::kNothing}};
  for (const auto& c : cases) EXPECT_EQ(PrintActionFor(c.shift), c.action) << c.shift;
}

TEST(PrintGeometry, SymbolCentredWithLabelsEndingOnTheCentreLine) {
  const SymbolPage page = PlaceSymbol(900, 600, 200, 200);
  EXPECT_EQ(page.symbol.x, 350);
  EXPECT_EQ(page.symbol.x + page.symbol.width, 550);
  EXPECT_EQ(page.symbol.y, 150);                // a quarter inch
  EXPECT_EQ(page.annotation_y, 600 + 200);      // three quarters of an inch below the symbol
  for (int i = 0; i < 4; ++i) {
    const DotPoint at = AnnotationOrigin(page, i, 37, 50);
    EXPECT_EQ(at.x + 37, 450);
    EXPECT_EQ(at.y, 800 + 50 * i);
  }
  // An odd free width starts on a whole dot; a symbol wider than the page too.
  EXPECT_EQ(PlaceSymbol(901, 600, 200, 200).symbol.x, 350);
  EXPECT_EQ(PlaceSymbol(100, 600, 201, 10).symbol.x, -51);
}

TEST(PrintGeometry, AnnotationsInOrderWithTheStyleName) {
  const auto lines = SymbolAnnotations("1.667\"", "1.667\"", 8, 2, geometry::Style::kLines);
  ASSERT_EQ(lines.size(), 4u);
  const char* expected[][2] = {{"Width: ", "1.667\""}, {"Height: ", "1.667\""}, {"Grid size: ", "8"},
                               {"Thickness: ", "2"}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(lines[i].label, expected[i][0]);
    EXPECT_EQ(lines[i].value, expected[i][1]);
  }
  for (const auto style : {geometry::Style::kDots, geometry::Style::kDotsWithEmboss})
    EXPECT_EQ(SymbolAnnotations("", "", 8, 3, style)[3].label, "Dot size: ");
  EXPECT_EQ(SymbolAnnotations("", "", 8, 3, geometry::Style::kLines)[0].value, "");
}

// Runs a sheet whose symbols measure (grid x 20) square, and returns the
// labels printed, rows separated by " | ".
std::string RunSheet(int thickness, int grid, SheetLimits limits, const SheetPage& page) {
  ThicknessSheet sheet(page, thickness, grid, limits);
  std::string labels;
  int last_y = -1;
  for (int builds = 0; !sheet.Finished() && builds < 1000; ++builds) {
    const int side = sheet.GridSize() * 20;
    const SheetStep step = sheet.Next(side, side);
    if (step.kind != SheetStep::Kind::kPlace) continue;
    if (last_y >= 0) labels += step.cell.symbol.y != last_y ? " | " : " ";
    labels += step.cell.text;
    last_y = step.cell.symbol.y;
    EXPECT_EQ(step.cell.label.x, step.cell.symbol.x + side / 2);
    EXPECT_EQ(step.cell.label.y, step.cell.symbol.y + side + 75);
  }
  EXPECT_TRUE(sheet.Finished());
  return labels;
}

TEST(ThicknessSheet, RowsRaiseTheGridAlongAndTheThicknessDownUntilALimitOrThePageEnds) {
  const SheetPage letter{4800, 6300, 600, 600, 60}, wide{100000, 6300, 600, 600, 60};
  const struct {
    const char* what;
    int thickness, grid;
    SheetLimits limits;
    SheetPage page;
    std::string labels;
  } cases[] = {
      // A row holds symbols while x + w + one inch stays within 4800 dots: the
      // 17/2 one starts at 3660 and ends at 4000, the next would end at 4510.
      {"letter", 2, 8, {8, 128}, letter,
       "8/2 9/2 10/2 11/2 12/2 13/2 14/2 15/2 16/2 17/2 | 9/3 10/3 11/3 12/3 13/3 14/3 15/3 16/3 17/3 18/3 | "
       "10/4 11/4 12/4 13/4 14/4 15/4 16/4 17/4 18/4 | 11/5 12/5 13/5 14/5 15/5 16/5 17/5 18/5 19/5 | "
       "12/6 13/6 14/6 15/6 16/6 17/6 18/6 19/6 | 13/7 14/7 15/7 16/7 17/7 18/7 19/7 20/7 | "
       "14/8 15/8 16/8 17/8 18/8 19/8 20/8 21/8"},
      {"one row at the thickness maximum", 8, 8, {8, 128}, letter, "8/8 9/8 10/8 11/8 12/8 13/8 14/8 15/8 16/8 17/8"},
      {"rows end before the grid passes its maximum", 1, 9, {2, 11}, wide, "9/1 10/1 11/1 | 10/2 11/2"},
      {"a next row starting past the maximum ends the sheet", 1, 11, {8, 11}, wide, "11/1"},
      // 150 + h + half an inch must stay within 700 dots: up to 240 high.
      {"page full", 2, 8, {8, 128}, {4800, 700, 600, 600, 60}, "8/2 9/2 10/2 11/2 12/2"},
      // The second row starts at 150 + 625 (the first row's label line bottom).
      // 150 + 160 + 600 > 800, and 180 alone on the next row still is: never cut off at the edge.
      {"a symbol too wide even alone on its row", 2, 8, {8, 128}, {800, 6300, 600, 600, 60}, ""},
      {"two rows", 2, 8, {8, 128}, {4800, 1400, 600, 600, 60},
       "8/2 9/2 10/2 11/2 12/2 13/2 14/2 15/2 16/2 17/2 | 9/3 10/3 11/3 12/3 13/3 14/3 15/3 16/3"},
  };
  for (const auto& c : cases) EXPECT_EQ(RunSheet(c.thickness, c.grid, c.limits, c.page), c.labels) << c.what;
}

}  // namespace
}  // namespace tessellux::output
