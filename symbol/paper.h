#pragma once

// Reading symbols from pictures of paper: scans and photos in any common
// image format (PNG, JPEG, TIFF, BMP), the symbol anywhere on the page, at
// any angle and scale. A BMP whose pixels are the symbol's own grid is read
// the exact way first (symbol.h), as fast as ever.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "symbol/raster.h"
#include "symbol/symbol.h"

namespace tessellux::symbol {

// A decoded picture: 0 = black .. 255 = white, rows top to bottom.
struct GreyImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;  // width * height
  std::uint8_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// Largest picture accepted, in pixels: an A4 page at 1200 dpi fits.
inline constexpr std::int64_t kMaxPicturePixels = std::int64_t{1} << 28;

// Any image file OpenCV reads, colour turned grey. Sizes are checked from
// the file's header before anything is decoded where the format allows.
std::variant<GreyImage, std::string> DecodePicture(const Bytes& file);

struct PointF {
  double x = 0, y = 0;
};

// Where and how a symbol was found on paper, for the verbose report.
struct ScanReport {
  // Outer corners of the symbol in image pixels, in the symbol's own order:
  // top left, top right, bottom right, bottom left as printed.
  std::array<PointF, 4> corners{};
  double cell_pixels = 0;   // mean distance between grid lines, image pixels
  double rotation = 0;      // degrees, anticlockwise, of the symbol's top edge
  bool mirrored = false;    // seen through the paper or in a mirror
  double contrast = 0;      // (paper - ink) / paper at the reference marks, 0..1
};

struct PictureRead {
  std::variant<ReadResult, ReadError> result;
  std::optional<ScanReport> scan;  // absent for the exact path
};

struct PictureOptions {
  bool all = false;  // every symbol on the page, else only the largest
};

// A picture file made ready to be read, once or again with other keys: a
// symbol's own bitmap sampled, any other picture decoded to grey, or why
// it cannot be read.
struct PreparedPicture {
  std::variant<Sampled, GreyImage, ReadError> content;
};
PreparedPicture PreparePicture(const Bytes& file);
// Takes the file: a symbol's 1-bit BMP becomes its picture in the file's
// own buffer, so the largest symbol is held once, not twice.
PreparedPicture PreparePicture(Bytes&& file);
// By the image decoder alone, for a file the exact way has already turned
// down (PrepareWithoutDecoder below).
PreparedPicture PrepareDecoded(const Bytes& file);
std::vector<PictureRead> ReadPrepared(const PreparedPicture& picture, const ReaderKeys& keys,
                                      const PictureOptions& options = {});

// The exact way alone, with no image decoder (symbol/prepared_picture.cpp):
// a BMP of a symbol's own grid sampled, or a black-and-white 1-bit picture
// taken in place (sampled, or as a grey page). Nothing when the picture
// needs a decoder; `file` is then untouched.
std::optional<Sampled> SampleSymbolBmp(const Bytes& file);
std::optional<PreparedPicture> PrepareWithoutDecoder(Bytes& file);
// A prepared picture read, grey pages by `read_grey` (ReadGreyPicture, or
// the same loaded from a module).
using GreyPageReader = std::function<std::vector<PictureRead>(const GreyImage&, const ReaderKeys&, const PictureOptions&)>;
std::vector<PictureRead> ReadPreparedWith(const PreparedPicture& picture, const ReaderKeys& keys,
                                          const PictureOptions& options, const GreyPageReader& read_grey);

// One entry per symbol found (at least one: a failure says why). With
// options.all several, largest first.
std::vector<PictureRead> ReadPicture(const Bytes& file, const ReaderKeys& keys, const PictureOptions& options = {});
std::vector<PictureRead> ReadGreyPicture(const GreyImage& image, const ReaderKeys& keys,
                                         const PictureOptions& options = {});

}  // namespace tessellux::symbol
