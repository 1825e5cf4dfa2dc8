// The print drawing on a plain PDF writer (as a command line uses it): the
// symbol lands bit for bit at one pixel per dot, the annotations in order.

#include <gtest/gtest.h>

#include <QPdfWriter>
#include <QTemporaryDir>

#include <random>

#include "output/print_geometry.h"
#include "support/picture_files.h"
#include "ui/print/print_pages.h"

namespace tessellux::testing {
namespace {

// A 1-bit picture whose palette lists white first, as many BMP files do.
QImage WhiteFirstSymbol(int width, int height) {
  QImage symbol(width, height, QImage::Format_Mono);
  symbol.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
  std::mt19937 random(1);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) symbol.setPixel(x, y, random() & 1);
  return symbol;
}

TEST(PrintPages, SymbolPageOnAPdfWriterHoldsTheSymbolAndItsAnnotations) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString pdf = dir.filePath("page.pdf");
  const QImage symbol = WhiteFirstSymbol(123, 77);
  QPdfWriter writer(pdf);
  writer.setResolution(300);
  writer.setPageMargins(QMarginsF(0, 0, 0, 0));
  const auto annotations = output::SymbolAnnotations("0.41\"", "0.257\"", 9, 3, geometry::Style::kDots);
  const int width = writer.width();
  ASSERT_EQ(print::PrintSymbolPage(writer, symbol, annotations), QString());

  const QString text = QString::fromUtf8(RunTool("pdftotext", {"-layout", pdf, "-"}).value_or(""));
  qsizetype at = -1;
  for (const char* line : {"Width: 0.41\"", "Height: 0.257\"", "Grid size: 9", "Dot size: 3"}) {
    const qsizetype next = text.indexOf(QString::fromUtf8(line));
    EXPECT_GT(next, at) << line << " in\n" << text.toStdString();
    at = next;
  }

  const output::SymbolPage page = output::PlaceSymbol(width, 300, symbol.width(), symbol.height());
  ASSERT_TRUE(RunTool("pdftocairo", {"-png", "-gray", "-r", "300", "-singlefile", "-x",
                                     QString::number(page.symbol.x), "-y", QString::number(page.symbol.y), "-W",
                                     QString::number(symbol.width()), "-H", QString::number(symbol.height()), pdf,
                                     dir.filePath("crop")}));
  const QImage crop(dir.filePath("crop.png"));
  ASSERT_EQ(crop.size(), symbol.size());
  int wrong = 0;
  for (int y = 0; y < symbol.height(); ++y)
    for (int x = 0; x < symbol.width(); ++x)
      wrong += qGray(crop.pixel(x, y)) != qGray(symbol.pixel(x, y));
  EXPECT_EQ(wrong, 0);
  const QByteArray images = RunTool("pdfimages", {"-list", pdf}).value_or("");
  EXPECT_TRUE(images.contains("123    77  gray    1   1")) << images.toStdString();
}

}  // namespace
}  // namespace tessellux::testing
