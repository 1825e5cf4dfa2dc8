#include "ui/symbol_image.h"

#include <QBuffer>

#include <algorithm>
#include <cstring>

namespace tessellux::ui {
namespace {

constexpr std::size_t kFileHeaderSize = 14;

// The BMP's palette entry `index` (blue, green, red, reserved), or black and
// white where the header has no palette.
QRgb PaletteColour(const Bytes& bmp, const output::BmpShape& shape, int index) {
  const std::size_t at = shape.palette_offset + 4 * static_cast<std::size_t>(index);
  if (at + 3 > shape.header_size) return index == 0 ? qRgb(0, 0, 0) : qRgb(255, 255, 255);
  return qRgb(bmp[at + 2], bmp[at + 1], bmp[at]);
}

}  // namespace

QImage SymbolImage(const Bytes& bmp, const output::BmpShape& shape) {
  if (shape.header_size < kFileHeaderSize + 40 ||
      bmp.size() != shape.header_size + shape.row_bytes * static_cast<std::size_t>(shape.height)) {
    return {};
  }
  if (shape.bits_per_pixel != 1) return QImage::fromData(bmp.data(), static_cast<int>(bmp.size()), "BMP");
  QImage image(shape.width, shape.height, QImage::Format_Mono);
  if (image.isNull()) return {};
  image.setColorTable({PaletteColour(bmp, shape, 0), PaletteColour(bmp, shape, 1)});
  const std::size_t copied = std::min<std::size_t>(shape.row_bytes, static_cast<std::size_t>(image.bytesPerLine()));
  for (int y = 0; y < shape.height; ++y) {
    const std::size_t row = static_cast<std::size_t>(shape.height - 1 - y);
    std::memcpy(image.scanLine(y), bmp.data() + shape.header_size + row * shape.row_bytes, copied);
  }
  return image;
}

Bytes SymbolBmpFile(const QImage& symbol) {
  if (symbol.format() != QImage::Format_Mono) {
    QByteArray file;
    QBuffer buffer(&file);
    buffer.open(QIODevice::WriteOnly);
    symbol.save(&buffer, "BMP");
    return Bytes(file.begin(), file.end());
  }
  constexpr std::size_t kHeaderSize = kFileHeaderSize + 40 + 8;
  const auto row_bytes = static_cast<std::size_t>(symbol.bytesPerLine());
  const std::size_t size = kHeaderSize + row_bytes * static_cast<std::size_t>(symbol.height());
  Bytes bmp(size, 0);
  const auto put = [&bmp](std::size_t at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) bmp[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
  };
  bmp[0] = 'B';
  bmp[1] = 'M';
  put(2, static_cast<std::uint32_t>(size), 4);
  put(10, kHeaderSize, 4);
  put(14, 40, 4);
  put(18, static_cast<std::uint32_t>(symbol.width()), 4);
  put(22, static_cast<std::uint32_t>(symbol.height()), 4);
  put(26, 1, 2);
  put(28, 1, 2);
  put(34, static_cast<std::uint32_t>(size - kHeaderSize), 4);
  put(46, 2, 4);
  for (int i = 0; i < 2; ++i) {
    const QRgb colour = i < symbol.colorCount() ? symbol.color(i) : (i ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    const std::size_t at = kFileHeaderSize + 40 + 4 * static_cast<std::size_t>(i);
    bmp[at] = static_cast<std::uint8_t>(qBlue(colour));
    bmp[at + 1] = static_cast<std::uint8_t>(qGreen(colour));
    bmp[at + 2] = static_cast<std::uint8_t>(qRed(colour));
  }
  for (int y = 0; y < symbol.height(); ++y) {
    const std::size_t row = static_cast<std::size_t>(symbol.height() - 1 - y);
    std::memcpy(bmp.data() + kHeaderSize + row * row_bytes, symbol.constScanLine(y), row_bytes);
  }
  return bmp;
}

}  // namespace tessellux::ui
