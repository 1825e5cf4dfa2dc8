#pragma once

// A plane-to-plane projective map, fixed by four point pairs: how a flat
// printed symbol appears in a scan or a photo.

#include <array>
#include <optional>

#include "symbol/paper.h"

namespace tessellux::symbol::paper {

struct Homography {
  std::array<double, 9> m{1, 0, 0, 0, 1, 0, 0, 0, 1};  // row-major, m[8] = 1

  PointF Map(PointF p) const {
    const double w = m[6] * p.x + m[7] * p.y + m[8];
    return {(m[0] * p.x + m[1] * p.y + m[2]) / w, (m[3] * p.x + m[4] * p.y + m[5]) / w};
  }
};

using Quad = std::array<PointF, 4>;

// The map taking from[k] to to[k]; nullopt when three points are in line.
std::optional<Homography> HomographyBetween(const Quad& from, const Quad& to);

}  // namespace tessellux::symbol::paper
