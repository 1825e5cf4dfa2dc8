#pragma once

// Reading the cells once the lattice is placed. Each block is shifted on
// its own (a page is rarely flat) to where its reference marks and paper
// points agree best, starting from its already placed neighbours; then
// every mark is taken at its centre against a threshold halfway between
// the block's own ink and paper.

#include "symbol/paper.h"
#include "symbol/paper/lattice_fit.h"
#include "symbol/raster.h"

namespace tessellux::symbol::paper {

struct BlockReading {
  Sampled sampled;
  double contrast = 0;  // median over blocks of (paper - ink) / paper
};

BlockReading ReadBlocks(const GreyImage& image, const LatticeFit& fit);

}  // namespace tessellux::symbol::paper
