#include "output/print_geometry.h"

#include <algorithm>
#include <cmath>

namespace tessellux::output {

std::optional<int> ResolutionFromPrintableWidth(double width_inches, double width_dots) {
  if (!(width_inches > 0.0) || !(width_dots > 0.0) || !std::isfinite(width_inches) || !std::isfinite(width_dots))
    return std::nullopt;
  const double dpi = std::nearbyint(width_dots / width_inches);  // ties to even in the default rounding mode
  if (!(dpi >= 1.0) || dpi > 1'000'000.0) return std::nullopt;
  return static_cast<int>(dpi);
}

PrintAction PrintActionFor(int shift) {
  if (shift == 0) return PrintAction::kSymbol;
  if (shift == 2 + 4) return PrintAction::kTestSheet;
  return PrintAction::kNothing;
}

int InchesToDots(double inches, int dots_per_inch) {
  return static_cast<int>(std::nearbyint(inches * dots_per_inch));
}

SymbolPage PlaceSymbol(int printable_width, int dots_per_inch_y, int symbol_width, int symbol_height) {
  SymbolPage page;
  // Floor division: a whole-dot start keeps one picture pixel on one dot.
  const int left = static_cast<int>(std::floor((printable_width - symbol_width) / 2.0));
  page.symbol = {left, InchesToDots(0.25, dots_per_inch_y), symbol_width, symbol_height};
  page.annotation_x = printable_width / 2;
  page.annotation_y = InchesToDots(1.0, dots_per_inch_y) + symbol_height;
  return page;
}

std::vector<Annotation> SymbolAnnotations(const std::string& width_text, const std::string& height_text,
                                          int grid_size, int thickness, geometry::Style style) {
  return {{"Width: ", width_text},
          {"Height: ", height_text},
          {"Grid size: ", std::to_string(grid_size)},
          {style == geometry::Style::kLines ? "Thickness: " : "Dot size: ", std::to_string(thickness)}};
}

DotPoint AnnotationOrigin(const SymbolPage& page, int index, int label_width, int line_height) {
  return {page.annotation_x - label_width, page.annotation_y + index * line_height};
}

ThicknessSheet::ThicknessSheet(const SheetPage& page, int thickness, int grid_size, const SheetLimits& limits)
    : page_(page),
      limits_(limits),
      thickness_(thickness),
      grid_(grid_size),
      gap_(grid_size - thickness),
      quarter_x_(InchesToDots(0.25, page.dots_per_inch_x)),
      quarter_y_(InchesToDots(0.25, page.dots_per_inch_y)),
      x_(quarter_x_),
      y_(quarter_y_) {}

bool ThicknessSheet::BreakRow() {
  // The next row would start past a scroll bar's maximum: the sheet ends.
  if (thickness_ >= limits_.thickness_max || thickness_ + 1 + gap_ > limits_.grid_max) {
    finished_ = true;
    return false;
  }
  ++thickness_;
  grid_ = thickness_ + gap_;
  x_ = quarter_x_;
  y_ = quarter_y_ + row_bottom_;
  row_just_started_ = true;
  return true;
}

SheetStep ThicknessSheet::End() {
  finished_ = true;
  return {SheetStep::Kind::kEnd, {}};
}

SheetStep ThicknessSheet::Next(int w, int h) {
  if (finished_) return End();
  const bool row_full = page_.width < x_ + w + InchesToDots(1.0, page_.dots_per_inch_x);
  if (row_full && !row_just_started_) {
    if (!BreakRow()) return End();
    return {SheetStep::Kind::kRebuild, {}};
  }
  // Alone on its row and still too wide: it would be cut off at the edge.
  if (row_full) return End();
  row_just_started_ = false;
  if (page_.height < y_ + h + InchesToDots(0.5, page_.dots_per_inch_y)) return End();

  SheetCell cell;
  cell.symbol = {x_, y_, w, h};
  cell.label = {static_cast<int>(std::nearbyint(x_ + w / 2.0)), y_ + h + InchesToDots(0.125, page_.dots_per_inch_y)};
  cell.text = std::to_string(grid_) + "/" + std::to_string(thickness_);
  row_bottom_ = std::max(row_bottom_, cell.label.y + page_.line_height);
  x_ += w + quarter_x_;
  // The row ends before the grid size would pass its maximum.
  if (grid_ >= limits_.grid_max) {
    BreakRow();
  } else {
    ++grid_;
  }
  return {SheetStep::Kind::kPlace, cell};
}

}  // namespace tessellux::output
