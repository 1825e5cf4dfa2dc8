#pragma once

#include <optional>

namespace tessellux::output {

struct RectF {
  float left;
  float top;
  float width;
  float height;
};

// Which part of a picture to draw, and where in its box.
struct PaintGeometry {
  RectF source;
  RectF destination;
};

// Fits a W x H picture into a BW x BH box at 80 % of the limiting box side,
// centred. The symbol view (`is_view`) uses only the zoom factors 4, 2, 1,
// 1/2, ... and leaves out the strip of `grid_size` pixels along the
// picture's left and top edges. Nothing is drawn (no result) for an empty
// picture or box, or when the grid strip would cover the whole picture.
std::optional<PaintGeometry> FitPicture(int picture_width, int picture_height, int box_width,
                                        int box_height, bool is_view, int grid_size);

}  // namespace tessellux::output
