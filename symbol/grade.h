#pragma once

// How well a symbol read: the share of its blocks erased, how much error
// correction was left over, and a grade A to F (computed as docs/reader.md
// describes).

#include "symbol/paper.h"

namespace tessellux::symbol {

struct Grade {
  double damaged_share = 0;  // blocks erased / blocks
  double margin = 0;         // 1 - average erasures per group / (2k), below 0 beyond correction
  double contrast = 1;       // from the scan report; 1 for the symbol's own pixels
  char letter = 'F';
};

Grade GradeRead(const PictureRead& read);

}  // namespace tessellux::symbol
