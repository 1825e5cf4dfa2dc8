#pragma once

#include <QImage>

namespace tessellux::ui {

// The small sample pictures beside the style options: a square symbol drawn
// in "Lines" (110 x 110), "Dots" or "Dots with embossed picture" (109 x 109).
QImage StyleSample(int style_index);

}  // namespace tessellux::ui
