#pragma once

// How many grid periods fit across a quadrilateral, along each pair of its
// sides: the darkness profile across the region (averaged over many lines
// parallel to the other pair of sides) repeats once per cell, so its
// strongest frequencies count the cells.

#include <vector>

#include "symbol/paper.h"
#include "symbol/paper/homography.h"

namespace tessellux::symbol::paper {

struct PeriodCounts {
  std::vector<double> along_first;   // periods from corner 0 to corner 1, strongest first
  std::vector<double> along_second;  // from corner 1 to corner 2
  // How far the strongest frequency stands out: its power over the median
  // power of the band searched, along each pair of sides. A symbol's grid
  // stands far out; text, rules and empty boxes hardly.
  double prominence_first = 0, prominence_second = 0;
};

PeriodCounts CountPeriods(const GreyImage& image, const Quad& quad);

}  // namespace tessellux::symbol::paper
