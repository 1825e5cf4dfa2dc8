#include "ui/print/print_pages.h"

#include <QFontMetrics>
#include <QPagedPaintDevice>
#include <QPainter>

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
  if (symbol.format() == QImage::Format_Mono && symbol.colorTable() == table) return symbol;
  QImage mono = symbol.convertToFormat(QImage::Format_Mono, table, Qt::ThresholdDither | Qt::AvoidDither);
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
