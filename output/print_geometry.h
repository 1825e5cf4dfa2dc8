#pragma once

// Where printing puts things, in printer dots from the top-left corner of
// the printable area (x to the right, y downwards). No printer needed.

#include <optional>
#include <string>
#include <vector>

#include "geometry/style.h"

namespace tessellux::output {

// The resolution shown for a printer: its printable width in dots over the
// same width in inches, a tie to the even number. Nothing when either is
// not a positive finite number.
std::optional<int> ResolutionFromPrintableWidth(double width_inches, double width_dots);

// What a press on "Print" does, by the modifier keys held (Shift 1, Ctrl 2,
// Alt 4 added up): none prints the symbol, exactly Ctrl+Alt the test sheet.
enum class PrintAction { kNothing, kSymbol, kTestSheet };
PrintAction PrintActionFor(int shift);

// A distance in inches as whole dots (a tie to even).
int InchesToDots(double inches, int dots_per_inch);

struct DotRect {
  int x;
  int y;
  int width;
  int height;
};

// The "Print" page: the symbol at one picture pixel per dot, centred across
// the printable width (whole dots, so pixels land on dots), a quarter inch
// below the top; the annotation lines stacked downwards from
// (annotation_x, annotation_y), three quarters of an inch below the symbol.
struct SymbolPage {
  DotRect symbol;
  int annotation_x;
  int annotation_y;
};

SymbolPage PlaceSymbol(int printable_width, int dots_per_inch_y, int symbol_width, int symbol_height);

// One annotation line: the label (with its ": ") ends, and the value begins,
// at the page's annotation_x.
struct Annotation {
  std::string label;
  std::string value;
};

// Width, Height, Grid size, then Thickness ("Lines") or Dot size.
std::vector<Annotation> SymbolAnnotations(const std::string& width_text, const std::string& height_text,
                                          int grid_size, int thickness, geometry::Style style);

// Top-left corner of annotation line `index`, given its label's width.
struct DotPoint {
  int x;
  int y;
};
DotPoint AnnotationOrigin(const SymbolPage& page, int index, int label_width, int line_height);

// The test sheet: the symbol rebuilt with the grid size rising along each
// row and the thickness rising from row to row, each copy labelled
// "grid/thickness". The caller builds with Thickness() and GridSize() while
// !Finished(), and passes each built symbol's size to Next().
struct SheetPage {
  int width;   // printable, in dots
  int height;
  int dots_per_inch_x;
  int dots_per_inch_y;
  int line_height;  // of the label font, in dots
};

struct SheetLimits {
  int thickness_max;
  int grid_max;
};

struct SheetCell {
  DotRect symbol;
  DotPoint label;  // top-left of the label line: the symbol's horizontal centre
  std::string text;
};

struct SheetStep {
  enum class Kind {
    kPlace,    // print `cell`, then build again
    kRebuild,  // the row is full: build again with the new settings
    kEnd,      // the sheet is done
  };
  Kind kind;
  SheetCell cell;
};

class ThicknessSheet {
 public:
  ThicknessSheet(const SheetPage& page, int thickness, int grid_size, const SheetLimits& limits);

  int Thickness() const { return thickness_; }
  int GridSize() const { return grid_; }
  bool Finished() const { return finished_; }

  // After a build with the current settings, of a symbol w x h dots.
  SheetStep Next(int symbol_width, int symbol_height);

 private:
  // Starts the next row; false (and finished) when there is none.
  bool BreakRow();
  SheetStep End();

  SheetPage page_;
  SheetLimits limits_;
  int thickness_;
  int grid_;
  int gap_;  // the user's grid size minus thickness, kept at each row start
  int quarter_x_;
  int quarter_y_;
  int x_;
  int y_;
  int row_bottom_ = 0;
  bool row_just_started_ = false;
  bool finished_ = false;
};

}  // namespace tessellux::output
