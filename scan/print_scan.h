#pragma once

// A symbol's bitmap printed on paper and scanned or photographed again,
// deterministic for a given seed. Printing: every symbol pixel becomes a
// square of printer dots, ink spreads or shrinks by whole dots, and the page
// may carry other marks (text, boxes, lines). Scanning: the page is seen at
// the scanner's resolution through a turn, a mirror and a perspective, then
// blurred, lit unevenly, made noisy and saved as JPEG.

#include <array>
#include <cstdint>

#include "symbol/paper.h"
#include "symbol/raster.h"

namespace tessellux::scan {

using symbol::GreyImage;
using symbol::PointF;

struct PrintSettings {
  double printer_dpi = 600;
  int dots_per_pixel = 1;   // printer dots per symbol pixel, each way
  int ink_spread = 0;       // dots the ink grows (> 0) or shrinks (< 0) by at every edge
  double margin_mm = 8;     // white paper round the symbol
  bool page = false;        // on an A4 page (symbol at page_x_mm, page_y_mm) instead of a margin
  double page_x_mm = 40, page_y_mm = 60;
  bool other_marks = false; // text lines, a box and rules round the symbol
};

struct ScanSettings {
  double dpi = 600;
  double rotation_deg = 0;  // anticlockwise on screen
  bool mirror = false;      // seen from behind (left and right swapped)
  double perspective = 0;   // random corner moves, as a share of the picture's size
  double blur_px = 0;       // Gaussian sigma, scanned pixels
  double lighting_floor = 1;  // brightness at the darkest corner, 1 = even
  double noise = 0;         // grey-level standard deviation
  int jpeg_quality = 0;     // 0: no JPEG round trip
  std::uint32_t seed = 1;
};

struct ScannedPage {
  GreyImage image;
  std::array<PointF, 4> symbol_corners{};  // the bitmap's corners, clockwise from its top left
  double cell_scale = 0;                    // scanned pixels per symbol pixel
};

ScannedPage PrintAndScan(const symbol::Bitmap& symbol, const PrintSettings& print, const ScanSettings& scan);

// A page already rendered at `page_dpi` (a PDF page through pdftoppm, say)
// printed with its ink spread or shrunk by `ink_spread` dots, then scanned;
// the corners given are the page's.
ScannedPage ScanPrintedPage(const GreyImage& page, double page_dpi, int ink_spread, const ScanSettings& scan);

// A grey picture as a file, the way a scanner or a camera saves it.
symbol::Bytes EncodePng(const GreyImage& image);
symbol::Bytes EncodeJpeg(const GreyImage& image, int quality);
symbol::Bytes EncodeTiff(const GreyImage& image);
// BMP with 8 bits (grey palette), 24 or 32 bits per pixel (tinted colour),
// or 1 bit (black below half grey, the symbol file's own palette).
symbol::Bytes EncodeBmp(const GreyImage& image, int bits);

// A bitmap's pixels as grey: black 0, white 255.
GreyImage BitmapToGrey(const symbol::Bitmap& bitmap);

}  // namespace tessellux::scan
