#pragma once

// The three ways a printed symbol comes back that the density tables use
// (docs/reader.md), shared by the grid sweep and the comparison with QR Code
// and Data Matrix, so both put every symbol through the same faults.
// Printing is at 600 dpi, one symbol pixel (or module) per dot run.

#include <cstdint>
#include <random>
#include <string>

#include "scan/print_scan.h"

namespace tessellux::bench {

enum class Condition { FlatScan, Photo, UpsideDownSpread };

inline const char* ConditionName(Condition c) {
  switch (c) {
    case Condition::FlatScan: return "flat";
    case Condition::Photo: return "photo";
    case Condition::UpsideDownSpread: return "upside-down+spread";
  }
  return "?";
}

// Text as people write it: lower-case words of 2 to 9 letters between
// spaces (byte mode for QR Code, text mode for Data Matrix), seed 1 for the
// payload every table uses.
inline std::string SampleText(std::size_t size, unsigned seed = 1) {
  std::mt19937 random(seed);
  std::string text;
  while (text.size() < size) {
    const int letters = 2 + static_cast<int>(random() % 8);
    for (int i = 0; i < letters && text.size() < size; ++i) text += static_cast<char>('a' + random() % 26);
    if (text.size() < size) text += ' ';
  }
  return text;
}

inline constexpr std::size_t kPayloadBytes = 1200;
inline constexpr Condition kConditions[] = {Condition::FlatScan, Condition::Photo, Condition::UpsideDownSpread};
inline constexpr double kPrinterDpi = 600;

// Ink spreads by one printer dot at every edge only for the upside-down set.
inline scan::PrintSettings PrintFor(Condition c, int dots_per_pixel) {
  scan::PrintSettings print;
  print.printer_dpi = kPrinterDpi;
  print.dots_per_pixel = dots_per_pixel;
  print.ink_spread = c == Condition::UpsideDownSpread ? 1 : 0;
  return print;
}

// Flat: laid straight on the glass (a turn of under half a degree). Photo: a
// phone held over the page (any turn, corners moved by up to 4 %, light
// falling to 70 %, a little blur and noise, JPEG 85). Upside down: turned
// 180 degrees, give or take two.
inline scan::ScanSettings ScanFor(Condition c, double dpi, std::uint32_t seed) {
  std::mt19937 random(seed * 7919 + 13);
  std::uniform_real_distribution<double> unit(0, 1);
  scan::ScanSettings s;
  s.dpi = dpi;
  s.seed = seed;
  switch (c) {
    case Condition::FlatScan:
      s.rotation_deg = (unit(random) - 0.5);
      break;
    case Condition::Photo:
      s.rotation_deg = 360 * unit(random);
      s.perspective = 0.04;
      s.lighting_floor = 0.7;
      s.blur_px = 0.6;
      s.noise = 6;
      s.jpeg_quality = 85;
      break;
    case Condition::UpsideDownSpread:
      s.rotation_deg = 180 + 4 * (unit(random) - 0.5);
      break;
  }
  return s;
}

}  // namespace tessellux::bench
