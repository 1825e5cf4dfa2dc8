#include "ui/print/print_pages.h"

#include <QFont>
#include <QFontMetrics>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>

#include <algorithm>

namespace tessellux::print {
namespace {

QFontMetrics MetricsOf(QPainter& painter) { return QFontMetrics(painter.font(), painter.device()); }

// One line of text whose top-left corner is at `top_left`.
void DrawLine(QPainter& painter, QPoint top_left, const QString& text) {
  painter.drawText(top_left + QPoint(0, MetricsOf(painter).ascent()), text);
}

void DrawSymbol(QPainter& painter, const QImage& one_bit, QPoint at) {
  painter.save();
  painter.setRenderHint(QPainter::LosslessImageRendering);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  painter.drawImage(at, one_bit);
  painter.restore();
}

}  // namespace

QImage OneBitSymbol(const QImage& symbol) {
  if (symbol.isNull()) return {};
  const QList<QRgb> table{qRgb(0, 0, 0), qRgb(255, 255, 255)};
  if (symbol.depth() != 1) {
    return symbol.convertToFormat(QImage::Format_RGB32)
        .convertToFormat(QImage::Format_Mono, table, Qt::ThresholdDither | Qt::AvoidDither);
  }
  // Two colours already: relabel them as black and white, flipping the
  // bits where the lighter colour has index 0 (as in many BMP files).
  QImage mono = symbol.convertToFormat(QImage::Format_Mono);
  const bool zero_is_dark = qGray(mono.color(0)) < qGray(mono.color(1));
  if (!zero_is_dark) {
    for (int y = 0; y < mono.height(); ++y) {
      uchar* line = mono.scanLine(y);
      for (qsizetype i = 0; i < mono.bytesPerLine(); ++i) line[i] = static_cast<uchar>(~line[i]);
    }
  }
  mono.setColorTable(table);
  return mono;
}

void DrawSymbolPage(QPainter& painter, const QImage& symbol, const std::vector<output::Annotation>& annotations) {
  const QPaintDevice& device = *painter.device();
  const output::SymbolPage page =
      output::PlaceSymbol(device.width(), device.logicalDpiY(), symbol.width(), symbol.height());
  DrawSymbol(painter, OneBitSymbol(symbol), QPoint(page.symbol.x, page.symbol.y));
  const QFontMetrics metrics = MetricsOf(painter);
  for (int i = 0; i < static_cast<int>(annotations.size()); ++i) {
    const QString label = QString::fromStdString(annotations[i].label);
    const output::DotPoint at =
        output::AnnotationOrigin(page, i, metrics.horizontalAdvance(label), metrics.height());
    DrawLine(painter, QPoint(at.x, at.y), label + QString::fromStdString(annotations[i].value));
  }
}

output::DotSize SymbolPageExtentOn(const QPaintDevice& device, const QImage& symbol,
                                   const std::vector<output::Annotation>& annotations) {
  const QFontMetrics metrics(QFont(), &device);
  int widest_half = 0;
  for (const auto& line : annotations) {
    widest_half = std::max({widest_half, metrics.horizontalAdvance(QString::fromStdString(line.label)),
                            metrics.horizontalAdvance(QString::fromStdString(line.value))});
  }
  return output::SymbolPageExtent(device.logicalDpiY(), symbol.width(), symbol.height(),
                                  static_cast<int>(annotations.size()), metrics.height(), widest_half);
}

output::DotSize PrintableArea(const QPaintDevice& device) { return {device.width(), device.height()}; }

bool SetPdfPage(QPagedPaintDevice& device, const output::PdfPage& page) {
  // In points throughout, as the PDF keeps them: the printable width in
  // inches then matches its width in dots, and the resolution shown stays.
  const QSizeF points(page.size.width_inches * 72, page.size.height_inches * 72);
  const QPageSize size = page.size.name.empty()
                             ? QPageSize(points, QPageSize::Point, QString(), QPageSize::ExactMatch)
                             : QPageSize(points, QPageSize::Point, QString::fromStdString(page.size.name),
                                         QPageSize::FuzzyMatch);
  const double margin = output::kPdfMarginInches * 72;
  return device.setPageLayout(
      QPageLayout(size, QPageLayout::Portrait, QMarginsF(margin, margin, margin, margin), QPageLayout::Point));
}

output::PaperSize SheetOf(const QPagedPaintDevice& device) {
  const QPageSize size = device.pageLayout().pageSize();
  const QSizeF inches = size.size(QPageSize::Inch);
  const auto named = output::NamedPaper(size.key().toStdString());
  return {named ? named->name : std::string(), inches.width(), inches.height()};
}

QString PrintSymbolPage(QPagedPaintDevice& device, const QImage& symbol,
                        const std::vector<output::Annotation>& annotations) {
  QPainter painter;
  if (!painter.begin(&device)) return QStringLiteral("The printer could not start a document.");
  DrawSymbolPage(painter, symbol, annotations);
  if (!painter.end()) return QStringLiteral("The printer could not finish the document.");
  return {};
}

output::SheetPage SheetPageOf(QPainter& painter) {
  const QPaintDevice& device = *painter.device();
  return {device.width(), device.height(), device.logicalDpiX(), device.logicalDpiY(), MetricsOf(painter).height()};
}

void DrawSheetCell(QPainter& painter, const QImage& symbol, const output::SheetCell& cell) {
  DrawSymbol(painter, OneBitSymbol(symbol), QPoint(cell.symbol.x, cell.symbol.y));
  DrawLine(painter, QPoint(cell.label.x, cell.label.y), QString::fromStdString(cell.text));
}

}  // namespace tessellux::print
