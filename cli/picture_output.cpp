#include "cli/picture_output.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>

#include "output/atomic_file.h"

namespace tessellux::cli {

bool WritePicture(const Bytes& bmp, const std::string& path, OutputKind kind, std::string* error) {
  if (kind == OutputKind::kBmp) return output::WriteFileAtomically(path, bmp, error);
  QImage image;
  if (!image.loadFromData(bmp.data(), static_cast<int>(bmp.size()), "BMP")) {
    *error = "the symbol picture could not be read as a BMP picture";
    return false;
  }
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) {
    *error = "the symbol picture could not be turned into PNG";
    return false;
  }
  return output::WriteFileAtomically(path, Bytes(png.begin(), png.end()), error);
}

}  // namespace tessellux::cli
