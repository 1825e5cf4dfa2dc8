#include "scan/print_page.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <random>
#include <string>

namespace tessellux::scan {

namespace {

int Dots(double mm, double dpi) { return static_cast<int>(mm / 25.4 * dpi + 0.5); }

// Each symbol pixel as a dots x dots square; then ink spread (dilation) or
// shrink (erosion) by whole dots.
cv::Mat PrintSymbol(const symbol::Bitmap& symbol, const PrintSettings& print) {
  const int d = std::max(1, print.dots_per_pixel);
  cv::Mat pixels(symbol.height, symbol.width, CV_8U);
  for (int y = 0; y < symbol.height; ++y)
    for (int x = 0; x < symbol.width; ++x) pixels.at<std::uint8_t>(y, x) = symbol.black(x, y) ? 255 : 0;
  cv::Mat dots;
  cv::resize(pixels, dots, cv::Size(symbol.width * d, symbol.height * d), 0, 0, cv::INTER_NEAREST);
  const cv::Mat round = cv::getStructuringElement(cv::MORPH_CROSS, cv::Size(3, 3));
  if (print.ink_spread > 0) cv::dilate(dots, dots, round, {-1, -1}, print.ink_spread);
  if (print.ink_spread < 0) cv::erode(dots, dots, round, {-1, -1}, -print.ink_spread);
  return dots;
}

// Text lines, a box and a rule, away from the symbol's quiet zone.
void DrawOtherMarks(cv::Mat& page, const cv::Rect& keep_clear, double dpi, std::uint32_t seed) {
  std::mt19937 random(seed);
  const double scale = dpi / 300.0;
  const int thickness = std::max(1, static_cast<int>(2 * scale));
  const std::string words[] = {"Tessellux", "Invoice 2024-117", "Ship to: Werkstatt 4", "Lot 88213",
                               "Please keep this page", "Total 1 284,50"};
  for (int line = 0; line < 12; ++line) {
    const cv::Point at(static_cast<int>(page.cols * 0.08), static_cast<int>(page.rows * (0.05 + 0.075 * line)));
    const cv::Size size = cv::getTextSize(words[random() % 6], cv::FONT_HERSHEY_SIMPLEX, scale, thickness, nullptr);
    if ((cv::Rect(at.x, at.y - size.height, size.width, size.height) & keep_clear).area() > 0) continue;
    cv::putText(page, words[random() % 6], at, cv::FONT_HERSHEY_SIMPLEX, scale, 255, thickness, cv::LINE_AA);
  }
  cv::rectangle(page, cv::Rect(page.cols / 40, page.rows / 40, page.cols - page.cols / 20, page.rows - page.rows / 20),
                255, thickness);
  const int rule_y = std::min(page.rows - 2, keep_clear.br().y + static_cast<int>(40 * scale));
  cv::line(page, {page.cols / 10, rule_y}, {page.cols * 9 / 10, rule_y}, 255, thickness);
  cv::rectangle(page, cv::Rect(page.cols * 7 / 10, page.rows / 20, page.cols / 8, page.rows / 30), 255, cv::FILLED);
}

}  // namespace

PrintedPage PrintPage(const symbol::Bitmap& symbol, const PrintSettings& print, std::uint32_t seed) {
  const cv::Mat dots = PrintSymbol(symbol, print);
  PrintedPage page;
  const int margin = Dots(print.margin_mm, print.printer_dpi);
  cv::Point at(margin, margin);
  if (print.page) {
    at = {Dots(print.page_x_mm, print.printer_dpi), Dots(print.page_y_mm, print.printer_dpi)};
    const cv::Size a4(Dots(210, print.printer_dpi), Dots(297, print.printer_dpi));
    page.ink = cv::Mat::zeros(std::max(a4.height, at.y + dots.rows + margin), std::max(a4.width, at.x + dots.cols + margin),
                              CV_8U);
  } else {
    page.ink = cv::Mat::zeros(dots.rows + 2 * margin, dots.cols + 2 * margin, CV_8U);
  }
  if (print.other_marks) {
    const cv::Rect quiet(at.x - margin, at.y - margin, dots.cols + 2 * margin, dots.rows + 2 * margin);
    DrawOtherMarks(page.ink, quiet, print.printer_dpi, seed);
    page.ink(quiet & cv::Rect(0, 0, page.ink.cols, page.ink.rows)).setTo(0);
  }
  dots.copyTo(page.ink(cv::Rect(at, dots.size())));
  page.symbol = at;
  // The symbol's own pixels end where its last printed pixel ends, before any spread.
  page.symbol_size = cv::Size2d(symbol.width * std::max(1, print.dots_per_pixel),
                                symbol.height * std::max(1, print.dots_per_pixel));
  return page;
}

}  // namespace tessellux::scan
