#include "ui/style_samples.h"

#include <QPainter>
#include <QRadialGradient>

namespace tessellux::ui {
namespace {

// A fixed pseudo-random pattern, so the samples look like data but never change.
bool Mark(int x, int y, int salt) { return ((x * 7 + y * 13 + salt) * 2654435761u >> 13) & 1u; }

}  // namespace

QImage StyleSample(int style_index) {
  const int size = style_index == 0 ? 110 : 109;
  QImage image(size, size, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  constexpr int kGrid = 9;
  constexpr int kCells = 12;
  if (style_index == 2) {  // a grey picture shows through behind the dots
    QRadialGradient shade(size / 2.0, size / 2.0, size / 2.0);
    shade.setColorAt(0, QColor(110, 110, 110));
    shade.setColorAt(1, QColor(230, 230, 230));
    painter.fillRect(image.rect(), shade);
  }
  painter.setPen(Qt::NoPen);
  painter.setBrush(Qt::black);
  for (int y = 0; y < kCells; ++y) {
    for (int x = 0; x < kCells; ++x) {
      const int px = 1 + x * kGrid, py = 1 + y * kGrid;
      if (style_index == 0) {
        if (Mark(x, y, 1) || y == 0 || y == kCells - 1) painter.drawRect(px, py, kGrid + 2, 2);
        if (Mark(x, y, 2) || x == 0 || x == kCells - 1) painter.drawRect(px, py, 2, kGrid + 2);
      } else {
        if (Mark(x, y, 1)) painter.drawRect(px + 2, py + 2, 3, 3);
        if (Mark(x, y, 5)) painter.drawRect(px + 6, py + 6, 3, 3);
      }
    }
  }
  if (style_index == 0) {  // the closing lines along the right and bottom edges
    const int far = 1 + kCells * kGrid;
    painter.drawRect(far, 1, 2, far + 1);
    painter.drawRect(1, far, far + 1, 2);
  }
  return image;
}

}  // namespace tessellux::ui
