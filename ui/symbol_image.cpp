#include "ui/symbol_image.h"

#include <algorithm>
#include <cstring>

namespace tessellux::ui {
namespace {

constexpr std::size_t kFileHeaderSize = 14;

std::uint32_t Le(const Bytes& b, std::size_t at, int bytes) {
  std::uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = value << 8 | b[at + static_cast<std::size_t>(i)];
  return value;
}

// The BMP's palette entry `index` (blue, green, red, reserved), or black and
// white where the header has no palette.
QRgb PaletteColour(const Bytes& bmp, const output::BmpShape& shape, int index) {
  const std::size_t at = kFileHeaderSize + Le(bmp, kFileHeaderSize, 4) + 4 * static_cast<std::size_t>(index);
  if (at + 3 > shape.header_size) return index == 0 ? qRgb(0, 0, 0) : qRgb(255, 255, 255);
  return qRgb(bmp[at + 2], bmp[at + 1], bmp[at]);
}

}  // namespace

QImage SymbolImage(const Bytes& bmp, const output::BmpShape& shape) {
  if (shape.header_size < kFileHeaderSize + 40 ||
      bmp.size() != shape.header_size + shape.row_bytes * static_cast<std::size_t>(shape.height)) {
    return {};
  }
  if (Le(bmp, 28, 2) != 1) return QImage::fromData(bmp.data(), static_cast<int>(bmp.size()), "BMP");
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

}  // namespace tessellux::ui
