#pragma once

// The printed page at printer resolution: 255 where ink landed, 0 paper.

#include <opencv2/core.hpp>

#include "scan/print_scan.h"

namespace tessellux::scan {

struct PrintedPage {
  cv::Mat ink;          // CV_8U
  cv::Point2d symbol;   // the symbol's top-left corner, in printer dots
  cv::Size2d symbol_size;
};

PrintedPage PrintPage(const symbol::Bitmap& symbol, const PrintSettings& print, std::uint32_t seed);

}  // namespace tessellux::scan
