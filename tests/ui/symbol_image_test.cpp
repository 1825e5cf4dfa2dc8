// The fetched picture kept packed: the same pixels Qt's reader gives for a
// small BMP, and the largest symbol's size, which that reader refuses.

#include <gtest/gtest.h>

#include <QBuffer>

#include <algorithm>
#include <QImage>

#include "support/bmp_header.h"
#include "ui/symbol_image.h"

namespace tessellux::ui {
namespace {

Bytes BmpFile(const QImage& image) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "BMP");
  return Bytes(buffer.data().begin(), buffer.data().end());
}

// A header followed by `pixel_bytes` bytes of `fill`.
Bytes WithPixels(const Bytes& header, std::size_t pixel_bytes, std::uint8_t fill) {
  Bytes bmp(header.size() + pixel_bytes, fill);
  std::copy(header.begin(), header.end(), bmp.begin());
  return bmp;
}

output::BmpShape ShapeOf(const Bytes& bmp) {
  const auto shape = output::ReadBmpShape(Bytes(bmp.begin(), bmp.begin() + 62), bmp.size());
  EXPECT_TRUE(shape) << shape.error();
  return shape ? *shape : output::BmpShape{};
}

TEST(SymbolImage, HoldsThePixelsQtsReaderGivesWhicheverColourIsFirst) {
  for (const bool white_first : {false, true}) {
    SCOPED_TRACE(white_first ? "white is index 0" : "black is index 0");
    QImage drawn(37, 21, QImage::Format_Mono);
    drawn.setColorTable(white_first ? QList<QRgb>{qRgb(255, 255, 255), qRgb(0, 0, 0)}
                                    : QList<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255)});
    drawn.fill(0);
    for (int y = 0; y < drawn.height(); ++y) drawn.setPixel((y * 5) % drawn.width(), y, 1);  // not symmetric
    const Bytes bmp = BmpFile(drawn);
    ASSERT_EQ(bmp.size(), 62u + 8u * 21u);
    const QImage kept = SymbolImage(bmp, ShapeOf(bmp));
    QImage read;
    ASSERT_TRUE(read.loadFromData(bmp.data(), static_cast<int>(bmp.size()), "BMP"));
    ASSERT_EQ(kept.size(), read.size());
    EXPECT_EQ(kept.format(), QImage::Format_Mono);
    for (int y = 0; y < read.height(); ++y)
      for (int x = 0; x < read.width(); ++x) ASSERT_EQ(kept.pixel(x, y), read.pixel(x, y)) << x << "," << y;
  }
}

// Checking a scan needs the file's bytes again: made from the kept image,
// they read back as the same picture.
TEST(SymbolImage, TheKeptImageGivesItsBmpFileBack) {
  QImage drawn(45, 13, QImage::Format_Mono);
  drawn.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
  drawn.fill(1);
  for (int y = 0; y < drawn.height(); ++y) drawn.setPixel((y * 7) % drawn.width(), y, 0);
  const Bytes file = SymbolBmpFile(drawn);
  QImage read;
  ASSERT_TRUE(read.loadFromData(file.data(), static_cast<int>(file.size()), "BMP"));
  const QImage kept = SymbolImage(file, ShapeOf(file));
  ASSERT_EQ(read.size(), drawn.size());
  for (int y = 0; y < drawn.height(); ++y)
    for (int x = 0; x < drawn.width(); ++x) {
      ASSERT_EQ(read.pixel(x, y), drawn.pixel(x, y)) << x << "," << y;
      ASSERT_EQ(kept.pixel(x, y), drawn.pixel(x, y)) << x << "," << y;
    }
}

TEST(SymbolImage, TheLargestSymbolIsKeptAtOneBitAPixel) {
  constexpr int kSide = 22'376;
  const std::size_t row_bytes = (kSide + 31) / 32 * 4;
  Bytes bmp = WithPixels(testing::BmpHeader(kSide, kSide), row_bytes * kSide, 0xFF);
  bmp[62] = 0x7F;  // the file's first row is the picture's bottom row: its first pixel is 0
  const QImage kept = SymbolImage(bmp, ShapeOf(bmp));
  ASSERT_EQ(kept.size(), QSize(kSide, kSide));
  EXPECT_EQ(kept.format(), QImage::Format_Mono);
  EXPECT_EQ(kept.pixelIndex(0, kSide - 1), 0);
  EXPECT_EQ(kept.pixelIndex(1, kSide - 1), 1);
  EXPECT_EQ(kept.pixelIndex(0, 0), 1);
}

TEST(SymbolImage, APictureThatDoesNotMatchItsShapeGivesNothing) {
  const Bytes bmp = WithPixels(testing::BmpHeader(40, 4), 8 * 3, 0);  // a row short
  output::BmpShape shape{40, 4, 62, 8};
  EXPECT_TRUE(SymbolImage(bmp, shape).isNull());
}

}  // namespace
}  // namespace tessellux::ui
