#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "link/bytes.h"

namespace tessellux::output {

// What the header piece of a fetched symbol picture promises: an
// uncompressed BMP whose pixel rows follow the header, one row per piece.
struct BmpShape {
  std::int32_t width = 0;
  std::int32_t height = 0;  // bottom-up rows; a top-down (negative) height is refused
  std::size_t header_size = 0;
  std::size_t row_bytes = 0;  // padded to a multiple of 4
};

// Reads and checks the header piece: "BM", a BITMAPINFOHEADER or later,
// positive width and height, one plane, 1/4/8/24/32 bits per pixel, no
// compression, pixel data straight after the header, and a whole picture
// within `limit` bytes. Nothing (and `error` says why) otherwise.
std::optional<BmpShape> ReadBmpShape(const Bytes& header, std::size_t limit, std::string* error);

// Puts the symbol picture together from the fetch replies: the header from
// the reply to 0x61, then exactly one pixel row per reply to 0x62 (each the
// reply without its first two bytes), as many rows as the header's height.
// The rows go in arrival order, or in reverse for a mirror image. Memory
// grows only with the rows that arrived, never past the header's size.
class PictureAssembly {
 public:
  static constexpr std::size_t kDefaultLimit = std::size_t{256} << 20;

  explicit PictureAssembly(std::size_t limit = kDefaultLimit) : limit_(limit) {}

  // False (and `error` says why) for a header that cannot be used.
  bool SetHeader(const Bytes& reply, std::string* error);
  // False for a row of the wrong length (an empty one too) or a row beyond
  // the header's height.
  bool AddRow(const Bytes& reply, std::string* error);

  const BmpShape& Shape() const { return shape_; }
  int RowsReceived() const { return rows_; }
  bool Complete() const { return rows_ == shape_.height && shape_.height > 0; }
  // Header, then the rows; only meaningful once Complete().
  Bytes Join(bool mirror) &&;

 private:
  std::size_t limit_;
  BmpShape shape_;
  Bytes picture_;
  int rows_ = 0;
};

}  // namespace tessellux::output
