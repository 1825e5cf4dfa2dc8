#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

#include "scan/print_page.h"
#include "scan/print_scan.h"

namespace tessellux::scan {

namespace {

constexpr double kPaper = 235;      // grey of blank paper under full light
constexpr double kInkDensity = 0.92;  // share of the light a full ink dot absorbs

// Scanner optics at the scanner's resolution: the page averaged over each
// scanned pixel when reducing, interpolated when enlarging.
cv::Mat Resample(const cv::Mat& ink, double scale) {
  cv::Mat out;
  const cv::Size size(std::max(1, static_cast<int>(std::lround(ink.cols * scale))),
                      std::max(1, static_cast<int>(std::lround(ink.rows * scale))));
  cv::resize(ink, out, size, 0, 0, scale < 1 ? cv::INTER_AREA : cv::INTER_LINEAR);
  return out;
}

struct Placement {
  cv::Mat map;  // 3 x 3, flat scan to picture
  cv::Size size;
};

// Turn about the centre, mirror, then move every corner at random by up to
// `perspective` of the size: a camera not square to the page.
Placement Place(cv::Size flat, const ScanSettings& scan, std::mt19937& random) {
  const double w = flat.width, h = flat.height, cx = w / 2, cy = h / 2;
  const double a = scan.rotation_deg * std::numbers::pi / 180, c = std::cos(a), s = std::sin(a);
  std::uniform_real_distribution<double> jitter(-scan.perspective, scan.perspective);
  const cv::Point2f from[4] = {{0, 0}, {static_cast<float>(w), 0}, {static_cast<float>(w), static_cast<float>(h)},
                               {0, static_cast<float>(h)}};
  cv::Point2f to[4];
  for (int k = 0; k < 4; ++k) {
    const double x = (scan.mirror ? w - from[k].x : from[k].x) - cx, y = from[k].y - cy;
    to[k] = cv::Point2f(static_cast<float>(x * c + y * s + jitter(random) * std::max(w, h)),
                        static_cast<float>(-x * s + y * c + jitter(random) * std::max(w, h)));
  }
  float min_x = to[0].x, min_y = to[0].y, max_x = to[0].x, max_y = to[0].y;
  for (const auto& p : to) min_x = std::min(min_x, p.x), min_y = std::min(min_y, p.y), max_x = std::max(max_x, p.x),
                           max_y = std::max(max_y, p.y);
  for (auto& p : to) p -= cv::Point2f(min_x, min_y);
  return {cv::getPerspectiveTransform(from, to),
          cv::Size(static_cast<int>(std::ceil(max_x - min_x)) + 1, static_cast<int>(std::ceil(max_y - min_y)) + 1)};
}

PointF Apply(const cv::Mat& h, double x, double y) {
  const double* m = h.ptr<double>();
  const double w = m[6] * x + m[7] * y + m[8];
  return {(m[0] * x + m[1] * y + m[2]) / w, (m[3] * x + m[4] * y + m[5]) / w};
}

// Ink coverage (0..255) to grey under light falling linearly from 1 at one
// corner to `floor` at the opposite one, in a direction the seed picks.
cv::Mat Expose(const cv::Mat& coverage, double floor, std::mt19937& random) {
  const double angle = std::uniform_real_distribution<double>(0, 2 * std::numbers::pi)(random);
  const double dx = std::cos(angle), dy = std::sin(angle);
  const double span = std::fabs(dx) * coverage.cols + std::fabs(dy) * coverage.rows;
  const double origin = std::min(0.0, dx * coverage.cols) + std::min(0.0, dy * coverage.rows);
  cv::Mat grey(coverage.size(), CV_32F);
  for (int y = 0; y < coverage.rows; ++y) {
    const std::uint8_t* in = coverage.ptr<std::uint8_t>(y);
    float* out = grey.ptr<float>(y);
    for (int x = 0; x < coverage.cols; ++x) {
      const double t = span > 0 ? (dx * x + dy * y - origin) / span : 0;
      const double light = 1 - (1 - floor) * t;
      out[x] = static_cast<float>(kPaper * light * (1 - kInkDensity * in[x] / 255.0));
    }
  }
  return grey;
}

void AddNoise(cv::Mat& grey, double sigma, std::mt19937& random) {
  std::normal_distribution<float> noise(0, static_cast<float>(sigma));
  for (int y = 0; y < grey.rows; ++y) {
    float* row = grey.ptr<float>(y);
    for (int x = 0; x < grey.cols; ++x) row[x] += noise(random);
  }
}

GreyImage ToGrey(const cv::Mat& grey8) {
  GreyImage image{grey8.cols, grey8.rows, {}};
  image.pixels.resize(static_cast<std::size_t>(grey8.cols) * static_cast<std::size_t>(grey8.rows));
  for (int y = 0; y < grey8.rows; ++y)
    std::copy_n(grey8.ptr<std::uint8_t>(y), grey8.cols, image.pixels.data() + static_cast<std::size_t>(y) * grey8.cols);
  return image;
}

}  // namespace

namespace {

// Ink coverage at the printer's resolution seen by the scanner or camera;
// `symbol` (top left and size, printer dots) is traced through.
ScannedPage Scan(const cv::Mat& ink, double printer_dpi, cv::Rect2d symbol, const ScanSettings& scan,
                 std::mt19937& random) {
  const double scale = scan.dpi / printer_dpi;
  cv::Mat flat = Resample(ink, scale);
  const Placement placement = Place(flat.size(), scan, random);
  cv::Mat coverage;
  cv::warpPerspective(flat, coverage, placement.map, placement.size, cv::INTER_LINEAR, cv::BORDER_CONSTANT, 0);
  flat.release();
  cv::Mat grey = Expose(coverage, scan.lighting_floor, random);
  coverage.release();
  if (scan.blur_px > 0) cv::GaussianBlur(grey, grey, cv::Size(), scan.blur_px);
  if (scan.noise > 0) AddNoise(grey, scan.noise, random);
  cv::Mat grey8;
  grey.convertTo(grey8, CV_8U);  // rounds and saturates
  ScannedPage out;
  if (scan.jpeg_quality > 0) {
    std::vector<std::uint8_t> jpeg;
    cv::imencode(".jpg", grey8, jpeg, {cv::IMWRITE_JPEG_QUALITY, scan.jpeg_quality});
    grey8 = cv::imdecode(jpeg, cv::IMREAD_GRAYSCALE);
  }
  out.image = ToGrey(grey8);
  const double x0 = symbol.x * scale, y0 = symbol.y * scale;
  const double x1 = x0 + symbol.width * scale, y1 = y0 + symbol.height * scale;
  out.symbol_corners = {Apply(placement.map, x0, y0), Apply(placement.map, x1, y0), Apply(placement.map, x1, y1),
                        Apply(placement.map, x0, y1)};
  out.cell_scale = scale;
  return out;
}

}  // namespace

ScannedPage PrintAndScan(const symbol::Bitmap& symbol, const PrintSettings& print, const ScanSettings& scan) {
  std::mt19937 random(scan.seed);
  const PrintedPage page = PrintPage(symbol, print, scan.seed);
  ScannedPage out = Scan(page.ink, print.printer_dpi,
                         {page.symbol.x, page.symbol.y, page.symbol_size.width, page.symbol_size.height}, scan, random);
  out.cell_scale *= std::max(1, print.dots_per_pixel);
  return out;
}

ScannedPage ScanPrintedPage(const GreyImage& page, double page_dpi, int ink_spread, const ScanSettings& scan) {
  std::mt19937 random(scan.seed);
  cv::Mat grey(page.height, page.width, CV_8U, const_cast<std::uint8_t*>(page.pixels.data()));
  cv::Mat ink = 255 - grey;
  if (ink_spread != 0) {
    const int size = 2 * std::abs(ink_spread) + 1;
    const cv::Mat square = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(size, size));
    if (ink_spread > 0) cv::dilate(ink, ink, square);
    else cv::erode(ink, ink, square);
  }
  return Scan(ink, page_dpi, {0, 0, static_cast<double>(page.width), static_cast<double>(page.height)}, scan, random);
}

}  // namespace tessellux::scan
