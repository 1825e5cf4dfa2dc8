#pragma once

// Which symbol a quadrilateral holds and exactly where: every geometry the
// period counts allow, in each of the 8 ways a page can lie (4 turns, with
// or without a mirror), is scored by how well the grey values at its known
// points (frame and reference marks, paper between them) agree with what
// it predicts. The best are then refined by moving the four corners until
// the agreement is highest.

#include <vector>

#include "symbol/paper.h"
#include "symbol/paper/homography.h"
#include "symbol/paper/lattice.h"
#include "symbol/paper/quad_finder.h"

namespace tessellux::symbol::paper {

struct LatticeFit {
  LatticeShape shape;
  Homography map;  // lattice to image
  bool mirrored = false;
  double agreement = 0;  // correlation of grey with ink/paper at the known points, -1..1
};

// Refined fits, best first; at most `max_fits`. `blurred`: fitted on a
// blurred copy first, for small dots the sharp picture gives no slope to.
// `hasty`: refining stops at the first fit that agrees at least
// kConfidentAgreement (a clean symbol is then fitted once, not 12 times).
inline constexpr double kConfidentAgreement = 0.8;
std::vector<LatticeFit> FitLattice(const GreyImage& image, const FoundQuad& quad, int max_fits, bool blurred,
                                   bool hasty = false);

// Correlation between the grey values at the anchors (mapped to the image)
// and paper = 1, ink = 0.
double Agreement(const GreyImage& image, const Homography& map, const std::vector<Anchor>& anchors);

}  // namespace tessellux::symbol::paper
