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

// Ink is told from paper below a share of the paper's brightness, at most
// 0.85; the faint look (for a second try) lets ink that never gets that
// dark count, halfway between the darkest on the page and the paper. It
// finds nothing on a page whose ink is not faint.
enum class InkLevel { Usual, Faint };

// Largest first, near-duplicates dropped, at most `limit`.
std::vector<FoundQuad> FindQuads(const GreyImage& image, std::size_t limit, InkLevel level = InkLevel::Usual);

}  // namespace tessellux::symbol::paper
