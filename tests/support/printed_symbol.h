#pragma once

// Compares a page rendered from a PDF with the symbol printed on it.

#include <QImage>

namespace tessellux::testing {

// How many dots of `page` (the symbol with a white border of `margin` dots
// around it) are not the pure black or white the symbol has there.
inline int DotsUnlikeSymbol(const QImage& page, const QImage& symbol, int margin) {
  int wrong = 0;
  for (int y = 0; y < page.height(); ++y)
    for (int x = 0; x < page.width(); ++x) {
      const QPoint at(x - margin, y - margin);
      const bool black = symbol.rect().contains(at) && qGray(symbol.pixel(at)) < 128;
      wrong += qGray(page.pixel(x, y)) != (black ? 0 : 255);
    }
  return wrong;
}

}  // namespace tessellux::testing
