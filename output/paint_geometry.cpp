#include "output/paint_geometry.h"

namespace tessellux::output {
namespace {

// The largest of 4, 2, 1, 1/2, ... that is not above `scale`.
float ZoomStep(float scale) {
  float step = 4.0f;
  while (step > scale && step > 0.0f) step /= 2.0f;
  return step;
}

}  // namespace

std::optional<PaintGeometry> FitPicture(int w, int h, int box_w, int box_h, bool is_view,
                                        int grid_size) {
  if (w <= 0 || h <= 0 || box_w <= 0 || box_h <= 0) return std::nullopt;
  const int crop = is_view ? grid_size : 0;
  if (crop < 0 || crop >= w || crop >= h) return std::nullopt;

  // The scale is kept in single precision, as the comparison below expects:
  // a picture of the box's proportions keeps the width ratio.
  float r = static_cast<float>(static_cast<double>(box_w) / w);
  if (static_cast<float>(h * static_cast<double>(r)) > static_cast<float>(box_h)) {
    r = static_cast<float>(static_cast<double>(box_h) / h);
  }
  r *= 0.8f;  // a margin of at least a tenth of the box on each side
  if (is_view) r = ZoomStep(r);

  const double drawn_w = static_cast<double>(r) * w;
  const double drawn_h = static_cast<double>(r) * h;
  PaintGeometry geometry;
  geometry.source = {static_cast<float>(crop), static_cast<float>(crop),
                     static_cast<float>(w - crop), static_cast<float>(h - crop)};
  geometry.destination = {static_cast<float>((box_w - drawn_w) / 2),
                          static_cast<float>((box_h - drawn_h) / 2),
                          static_cast<float>(drawn_w), static_cast<float>(drawn_h)};
  return geometry;
}

}  // namespace tessellux::output
