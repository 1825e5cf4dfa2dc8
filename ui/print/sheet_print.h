#pragma once

// The test sheet under way: its page, where the next symbol goes, and the
// thickness and grid size to restore when it ends.

#include <QPainter>

#include <optional>

#include "output/paper.h"
#include "output/print_geometry.h"

namespace tessellux::ui {

struct SheetPrint {
  QPainter painter;
  std::optional<output::ThicknessSheet> sheet;
  int thickness = 0;
  int grid = 0;
  int printed = 0;
  std::optional<output::PaperSize> sheet_to_restore;  // a PDF's sheet, when its page was made larger
};

}  // namespace tessellux::ui
