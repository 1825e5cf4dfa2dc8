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

// 8-bit grey, or 24-bit colour with a tint (the reader must see past it).
symbol::Bytes EncodeBmp(const GreyImage& image, bool colour) {
  if (!colour) return Encode(".bmp", View(image));
  cv::Mat bgr;
  cv::cvtColor(View(image), bgr, cv::COLOR_GRAY2BGR);
  bgr.forEach<cv::Vec3b>([](cv::Vec3b& p, const int*) { p[0] = static_cast<std::uint8_t>(p[0] * 0.9); });
  return Encode(".bmp", bgr);
}

}  // namespace tessellux::scan
