#pragma once

// The printed pages: the symbol page that "Print" makes and the cells of
// the test sheet. Positions come from output/print_geometry.h; this only
// draws. The painter's device may be a QPrinter or a QPdfWriter: its (0,0)
// is the top-left corner of the printable area and one unit is one dot.

#include <QImage>
#include <QString>

#include <vector>

#include "output/page_fit.h"
#include "output/paper.h"
#include "output/print_geometry.h"

class QPainter;
class QPagedPaintDevice;

namespace tessellux::print {

// The symbol as a true 1-bit picture whose colour table is exactly
// {black, white}: drawn with lossless rendering it reaches a PDF bit for bit
// (any other picture Qt writes as a JPEG). Null for a null picture.
QImage OneBitSymbol(const QImage& symbol);

// Draws the symbol at one picture pixel per dot, centred across the
// printable width a quarter inch below its top, and the annotation lines
// three quarters of an inch below it, each label ending on the centre line.
void DrawSymbolPage(QPainter& painter, const QImage& symbol, const std::vector<output::Annotation>& annotations);

// What the symbol page takes of `device`'s printable area, measured with
// the font it is drawn in.
output::DotSize SymbolPageExtentOn(const QPaintDevice& device, const QImage& symbol,
                                   const std::vector<output::Annotation>& annotations);

// The printable area of `device`, in its dots.
output::DotSize PrintableArea(const QPaintDevice& device);

// Puts a PDF device's page on `page`, with margins of kPdfMarginInches.
// False when the device refuses it.
bool SetPdfPage(QPagedPaintDevice& device, const output::PdfPage& page);

// The sheet a PDF device's page is on now, named when Qt knows its size.
output::PaperSize SheetOf(const QPagedPaintDevice& device);

// One document of one page on `device`: begins, draws, ends. Empty on
// success, else a sentence saying what failed.
QString PrintSymbolPage(QPagedPaintDevice& device, const QImage& symbol,
                        const std::vector<output::Annotation>& annotations);

// The test sheet's page facts for an active painter (size, resolution and
// the line height of the painter's font).
output::SheetPage SheetPageOf(QPainter& painter);

// One test-sheet cell: the symbol at one pixel per dot and its label.
void DrawSheetCell(QPainter& painter, const QImage& symbol, const output::SheetCell& cell);

}  // namespace tessellux::print
