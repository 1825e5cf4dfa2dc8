#include "output/picture_resolution.h"

#include <cmath>

namespace tessellux::output {
namespace {

constexpr double kInchesPerMetre = 1.0 / 0.0254;

}  // namespace

std::uint32_t PixelsPerMetre(double dots_per_inch) {
  if (!std::isfinite(dots_per_inch) || !(dots_per_inch > 0)) return 0;
  const double per_metre = std::nearbyint(dots_per_inch * kInchesPerMetre);
  // BMP keeps it as a signed 32-bit number; PNG below 2^31 as well.
  if (per_metre > 2147483647.0) return 0;
  return static_cast<std::uint32_t>(per_metre);
}

bool SetBmpResolution(Bytes& bmp, double dots_per_inch) {
  // File header (14) + the info header's fields up to biYPelsPerMeter.
  if (bmp.size() < 46) return false;
  const std::uint32_t value = PixelsPerMetre(dots_per_inch);
  for (const std::size_t at : {std::size_t{38}, std::size_t{42}}) {
    for (int i = 0; i < 4; ++i) bmp[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
  }
  return true;
}

Bytes PngPhysicalDimensions(double dots_per_inch) {
  const std::uint32_t value = PixelsPerMetre(dots_per_inch);
  Bytes data;
  for (int axis = 0; axis < 2; ++axis) {
    for (int shift = 24; shift >= 0; shift -= 8) data.push_back(static_cast<std::uint8_t>(value >> shift));
  }
  data.push_back(1);  // unit: the metre
  return data;
}

}  // namespace tessellux::output
