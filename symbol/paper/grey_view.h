#pragma once

// Grey values between pixel centres (bilinear); outside the picture the
// paper is assumed white.

#include <algorithm>
#include <cmath>

#include "symbol/paper.h"

namespace tessellux::symbol::paper {

inline double SampleGrey(const GreyImage& image, PointF p) {
  const double fx = p.x - 0.5, fy = p.y - 0.5;  // pixel (x, y) has its centre at (x + 0.5, y + 0.5)
  const double x0f = std::floor(fx), y0f = std::floor(fy);
  if (!(x0f >= 0 && y0f >= 0 && x0f + 1 < image.width && y0f + 1 < image.height)) {
    if (!(x0f >= -1 && y0f >= -1 && x0f < image.width && y0f < image.height)) return 255;
    const int x = std::clamp(static_cast<int>(std::lround(fx)), 0, image.width - 1);
    const int y = std::clamp(static_cast<int>(std::lround(fy)), 0, image.height - 1);
    return image.at(x, y);
  }
  const int x0 = static_cast<int>(x0f), y0 = static_cast<int>(y0f);
  const double ax = fx - x0f, ay = fy - y0f;
  const std::uint8_t* row = image.pixels.data() + static_cast<std::size_t>(y0) * image.width + x0;
  const std::uint8_t* next = row + image.width;
  const double top = row[0] + ax * (row[1] - row[0]);
  const double bottom = next[0] + ax * (next[1] - next[0]);
  return top + ay * (bottom - top);
}

}  // namespace tessellux::symbol::paper
