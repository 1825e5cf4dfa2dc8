#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "app/result.h"
#include "protocol/bytes.h"

namespace tessellux::output {

// What the header piece of a fetched symbol picture promises: an
// uncompressed BMP whose pixel rows follow the header.
struct BmpShape {
  std::int32_t width = 0;
  std::int32_t height = 0;  // bottom-up rows; a top-down (negative) height is refused
  std::size_t header_size = 0;
  std::size_t row_bytes = 0;  // padded to a multiple of 4
  int bits_per_pixel = 1;
  std::size_t palette_offset = 54;  // where the colour table starts (after the info block)
};

// Reads and checks the header piece: "BM", a BITMAPINFOHEADER or later,
// positive width and height, one plane, 1/4/8/24/32 bits per pixel, no
// compression, pixel data straight after the header, and a whole picture
// within `limit` bytes; otherwise the result says why.
app::Result<BmpShape> ReadBmpShape(const Bytes& header, std::size_t limit);

// Puts the symbol picture together from the fetch replies: the header from
// the reply to 0x61, then the pixel data from the replies to 0x62 (each the
// reply without its first two bytes). How the pixels are split over the
// replies is the Code Generator's choice: a row each, several rows, or part
// of one. The picture is complete when the header's size is reached, and
// never grows past it. The rows go in arrival order, or in reverse for a
// mirror image. Memory grows only with the bytes that arrived, unless the
// caller, having checked the header against what it expects, reserves the
// whole picture at once.
class PictureAssembly {
 public:
  static constexpr std::size_t kDefaultLimit = std::size_t{256} << 20;

  explicit PictureAssembly(std::size_t limit = kDefaultLimit) : limit_(limit) {}

  // Fails for a header that cannot be used.
  app::Result<> SetHeader(const Bytes& reply);
  // False (and nothing kept) for a piece without pixel bytes or one that
  // would take the picture past the header's size.
  app::Result<> AddPiece(const Bytes& reply);
  // Makes room for the whole picture the header promised, so the rows never
  // move; only for a header the caller has judged plausible.
  void ReserveWhole() { picture_.reserve(shape_.header_size + PixelBytesExpected()); }

  const BmpShape& Shape() const { return shape_; }
  // Whole pixel rows received so far.
  int RowsReceived() const;
  bool Complete() const { return shape_.height > 0 && PixelBytesReceived() == PixelBytesExpected(); }
  // Header, then the rows; only meaningful once Complete().
  Bytes Join(bool mirror) &&;

 private:
  std::size_t PixelBytesReceived() const { return picture_.size() - shape_.header_size; }
  std::size_t PixelBytesExpected() const { return shape_.row_bytes * static_cast<std::size_t>(shape_.height); }

  std::size_t limit_;
  BmpShape shape_;
  Bytes picture_;
};

}  // namespace tessellux::output
