#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "scan/print_scan.h"

namespace tessellux::scan {

namespace {

cv::Mat View(const GreyImage& image) {
  return cv::Mat(image.height, image.width, CV_8U, const_cast<std::uint8_t*>(image.pixels.data()));
}

symbol::Bytes Encode(const char* extension, const cv::Mat& picture, const std::vector<int>& parameters = {}) {
  std::vector<std::uint8_t> out;
  cv::imencode(extension, picture, out, parameters);
  return out;
}

}  // namespace

symbol::Bytes EncodePng(const GreyImage& image) { return Encode(".png", View(image)); }

symbol::Bytes EncodeJpeg(const GreyImage& image, int quality) {
  return Encode(".jpg", View(image), {cv::IMWRITE_JPEG_QUALITY, quality});
}

symbol::Bytes EncodeTiff(const GreyImage& image) { return Encode(".tif", View(image)); }

namespace {

symbol::Bytes OneBitBmp(const GreyImage& image) {
  symbol::Bytes file = symbol::MakeBmpHeader(image.width, image.height);
  const std::size_t header = file.size(), stride = (static_cast<std::size_t>(image.width) + 31) / 32 * 4;
  file.resize(header + stride * static_cast<std::size_t>(image.height), 0);
  for (int y = 0; y < image.height; ++y) {
    std::uint8_t* row = file.data() + header + stride * static_cast<std::size_t>(image.height - 1 - y);
    for (int x = 0; x < image.width; ++x)
      if (image.at(x, y) >= 128) row[x / 8] |= static_cast<std::uint8_t>(0x80U >> (x % 8));  // 1 = white
  }
  return file;
}

}  // namespace

symbol::Bytes EncodeBmp(const GreyImage& image, int bits) {
  if (bits == 1) return OneBitBmp(image);
  if (bits == 8) return Encode(".bmp", View(image));
  cv::Mat colour;
  cv::cvtColor(View(image), colour, bits == 32 ? cv::COLOR_GRAY2BGRA : cv::COLOR_GRAY2BGR);
  // A slight tint, as a colour scanner gives: the reader must see through it.
  for (int y = 0; y < colour.rows; ++y) {
    std::uint8_t* row = colour.ptr<std::uint8_t>(y);
    for (int x = 0; x < colour.cols; ++x) row[x * colour.channels()] = static_cast<std::uint8_t>(row[x * colour.channels()] * 9 / 10);
  }
  return Encode(".bmp", colour);
}

GreyImage BitmapToGrey(const symbol::Bitmap& bitmap) {
  GreyImage image{bitmap.width, bitmap.height, {}};
  image.pixels.resize(static_cast<std::size_t>(bitmap.width) * static_cast<std::size_t>(bitmap.height));
  for (int y = 0; y < bitmap.height; ++y)
    for (int x = 0; x < bitmap.width; ++x)
      image.pixels[static_cast<std::size_t>(y) * bitmap.width + x] = bitmap.black(x, y) ? 0 : 255;
  return image;
}

}  // namespace tessellux::scan
