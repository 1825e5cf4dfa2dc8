// Image files to grey pixels with OpenCV. Only the formats a scanner or a
// camera writes are let through: OpenCV's other decoders (and its readers
// of formats with no header size to check first) are not the reader's business.

#include <opencv2/imgcodecs.hpp>

#include <algorithm>
#include <string>

#include "symbol/paper.h"
#include "symbol/paper/picture_size.h"

namespace tessellux::symbol {

std::variant<GreyImage, std::string> DecodePicture(const Bytes& file) {
  const auto size = paper::PictureSizeFromHeader(file);
  if (!size) return std::string("not a PNG, JPEG, TIFF or BMP picture");
  if (size->width <= 0 || size->height <= 0) return std::string("empty picture");
  if (size->width > kMaxPicturePixels / size->height) return std::string("picture too large");
  // Decoded straight into the image's own buffer when the header told the
  // truth (no second copy of a page); otherwise OpenCV allocates and we copy.
  GreyImage image{static_cast<int>(size->width), static_cast<int>(size->height), {}};
  image.pixels.resize(static_cast<std::size_t>(size->width * size->height));
  cv::Mat grey(image.height, image.width, CV_8U, image.pixels.data());
  try {
    const cv::Mat raw(1, static_cast<int>(file.size()), CV_8U, const_cast<std::uint8_t*>(file.data()));
    cv::imdecode(raw, cv::IMREAD_GRAYSCALE, &grey);
  } catch (const cv::Exception&) {
    grey.release();
  }
  if (grey.empty() || grey.type() != CV_8U) return std::string("the picture cannot be decoded");
  if (grey.data == image.pixels.data()) return image;
  if (static_cast<std::int64_t>(grey.cols) * grey.rows > kMaxPicturePixels) return std::string("picture too large");
  image = GreyImage{grey.cols, grey.rows, {}};
  image.pixels.resize(static_cast<std::size_t>(grey.cols) * static_cast<std::size_t>(grey.rows));
  for (int y = 0; y < grey.rows; ++y)
    std::copy_n(grey.ptr<std::uint8_t>(y), grey.cols, image.pixels.data() + static_cast<std::size_t>(y) * grey.cols);
  return image;
}

}  // namespace tessellux::symbol
