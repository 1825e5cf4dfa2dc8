#pragma once

// Where tessellux-build's PDF page puts the symbol: a PDF writer set up as
// the tool's, on A4 with margins of a quarter inch, and the window's
// placement rule.

#include <QBuffer>
#include <QPageLayout>
#include <QPdfWriter>
#include <QPoint>

#include "output/print_geometry.h"

namespace tessellux::testing {

// The symbol's top-left corner on the page, in dots at `dpi`.
inline QPoint SymbolOriginOnA4(int dpi, int symbol_width, int symbol_height) {
  QBuffer probe_buffer;
  probe_buffer.open(QIODevice::WriteOnly);
  QPdfWriter probe(&probe_buffer);
  probe.setResolution(dpi);
  probe.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(18, 18, 18, 18),
                                  QPageLayout::Point));
  const QPoint paint = probe.pageLayout().paintRectPixels(dpi).topLeft();
  const output::SymbolPage place = output::PlaceSymbol(probe.width(), dpi, symbol_width, symbol_height);
  return paint + QPoint(place.symbol.x, place.symbol.y);
}

}  // namespace tessellux::testing
