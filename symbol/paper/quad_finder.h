#pragma once

// Where symbols may be on a page: the outlines of dark regions that are
// four-sided. Ink is told from paper against the page's own lighting, so
// a page lit unevenly binarises as well as an even one.

#include <vector>

#include "symbol/paper.h"
#include "symbol/paper/homography.h"

namespace tessellux::symbol::paper {

struct FoundQuad {
  Quad corners;  // clockwise on screen (y down), the top-most-left first
  double area = 0;
  double slack = 0;  // pixels the outline may lie outside the ink (found on a reduced copy)
  bool joined = false;  // an outline only once gaps between marks were closed
};

// Largest first, near-duplicates dropped, at most `limit`.
std::vector<FoundQuad> FindQuads(const GreyImage& image, std::size_t limit);

}  // namespace tessellux::symbol::paper
