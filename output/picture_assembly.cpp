#include "output/picture_assembly.h"

#include <algorithm>

namespace tessellux::output {
namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;

std::uint32_t Le32(const Bytes& b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
         static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
std::uint16_t Le16(const Bytes& b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

app::Failure<std::string> Refuse(std::string why) { return app::Fail(std::move(why)); }

// The reply's payload: everything after its first byte and status byte.
Bytes Payload(const Bytes& reply) {
  return reply.size() > 2 ? Bytes(reply.begin() + 2, reply.end()) : Bytes{};
}

}  // namespace

app::Result<BmpShape> ReadBmpShape(const Bytes& h, std::size_t limit) {
  if (h.size() < kFileHeaderSize + kInfoHeaderSize || h[0] != 'B' || h[1] != 'M') {
    return Refuse("the picture header is " + std::to_string(h.size()) +
                             " bytes long and not a BMP header");
  }
  const std::uint32_t info_size = Le32(h, 14);
  const auto width = static_cast<std::int32_t>(Le32(h, 18));
  const auto height = static_cast<std::int32_t>(Le32(h, 22));
  const std::uint16_t planes = Le16(h, 26);
  const std::uint16_t bits = Le16(h, 28);
  const std::uint32_t compression = Le32(h, 30);
  if (info_size < kInfoHeaderSize || info_size > h.size() - kFileHeaderSize) {
    return Refuse("the picture header's info block is " + std::to_string(info_size) + " bytes long");
  }
  if (width <= 0 || height <= 0) {
    return Refuse("the picture is " + std::to_string(width) + " x " + std::to_string(height) +
                             " pixels; both must be above 0");
  }
  if (planes != 1 || compression != 0 || (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)) {
    return Refuse("the picture is not an uncompressed BMP (" + std::to_string(bits) + " bits per pixel, "
                             "compression " + std::to_string(compression) + ")");
  }
  if (Le32(h, 10) != h.size()) {
    return Refuse("the picture's pixels do not start right after its " + std::to_string(h.size()) +
                             "-byte header");
  }
  BmpShape shape;
  shape.width = width;
  shape.height = height;
  shape.header_size = h.size();
  shape.bits_per_pixel = bits;
  shape.palette_offset = kFileHeaderSize + info_size;
  const std::uint64_t row_bytes = (static_cast<std::uint64_t>(width) * bits + 31) / 32 * 4;
  const std::uint64_t total = h.size() + row_bytes * static_cast<std::uint64_t>(height);
  if (total > limit) {
    return Refuse("the picture is " + std::to_string(width) + " x " + std::to_string(height) +
                             " pixels, " + std::to_string(total >> 20) + " MiB, above the limit of " +
                             std::to_string(limit >> 20) + " MiB");
  }
  shape.row_bytes = static_cast<std::size_t>(row_bytes);
  return shape;
}

app::Result<> PictureAssembly::SetHeader(const Bytes& reply) {
  Bytes header = Payload(reply);
  const app::Result<BmpShape> shape = ReadBmpShape(header, limit_);
  if (!shape) return app::Fail(shape.error());
  shape_ = *shape;
  picture_ = std::move(header);
  return app::Done{};
}

int PictureAssembly::RowsReceived() const {
  return shape_.row_bytes == 0 ? 0 : static_cast<int>(PixelBytesReceived() / shape_.row_bytes);
}

app::Result<> PictureAssembly::AddPiece(const Bytes& reply) {
  const std::size_t size = reply.size() > 2 ? reply.size() - 2 : 0;
  if (size == 0) return Refuse("a piece after " + std::to_string(PixelBytesReceived()) + " pixel bytes holds none");
  if (size > PixelBytesExpected() - PixelBytesReceived()) {
    return Refuse("more rows than the picture's height of " + std::to_string(shape_.height) + ": " +
                  std::to_string(PixelBytesReceived() + size) + " pixel bytes where the header says " +
                  std::to_string(PixelBytesExpected()));
  }
  picture_.insert(picture_.end(), reply.begin() + 2, reply.end());
  return app::Done{};
}

Bytes PictureAssembly::Join(bool mirror) && {
  if (mirror) {
    // Rows in reverse arrival order: swap them pairwise from both ends.
    auto first = picture_.begin() + static_cast<std::ptrdiff_t>(shape_.header_size);
    const auto row = static_cast<std::ptrdiff_t>(shape_.row_bytes);
    for (int lo = 0, hi = RowsReceived() - 1; lo < hi; ++lo, --hi) {
      std::swap_ranges(first + lo * row, first + (lo + 1) * row, first + hi * row);
    }
  }
  shape_ = {};
  return std::move(picture_);
}

}  // namespace tessellux::output
