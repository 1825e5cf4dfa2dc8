#include "pictures/exif_orientation.h"

#include <cstring>

namespace tessellux::pictures {
namespace {

constexpr std::uint16_t kOrientationTag = 0x0112;

struct Reader {
  const std::uint8_t* data;
  std::size_t size;
  bool little_endian;

  bool Has(std::size_t at, std::size_t count) const { return at <= size && count <= size - at; }
  std::uint16_t U16(std::size_t at) const {
    return little_endian ? static_cast<std::uint16_t>(data[at] | data[at + 1] << 8)
                         : static_cast<std::uint16_t>(data[at] << 8 | data[at + 1]);
  }
  std::uint32_t U32(std::size_t at) const {
    const std::uint32_t a = data[at], b = data[at + 1], c = data[at + 2], d = data[at + 3];
    return little_endian ? (a | b << 8 | c << 16 | d << 24) : (a << 24 | b << 16 | c << 8 | d);
  }
};

// The orientation tag of IFD0 in a TIFF block (the EXIF payload).
int OrientationInTiff(const std::uint8_t* tiff, std::size_t size) {
  if (size < 8) return 1;
  Reader r{tiff, size, tiff[0] == 'I'};
  if (!((tiff[0] == 'I' && tiff[1] == 'I') || (tiff[0] == 'M' && tiff[1] == 'M')) || r.U16(2) != 42) return 1;
  const std::size_t ifd = r.U32(4);
  if (!r.Has(ifd, 2)) return 1;
  const std::size_t entries = r.U16(ifd);
  for (std::size_t i = 0; i < entries; ++i) {
    const std::size_t entry = ifd + 2 + 12 * i;
    if (!r.Has(entry, 12)) return 1;
    // Type 3 (SHORT), count 1: the value sits in the entry itself.
    if (r.U16(entry) == kOrientationTag) {
      const int value = r.U16(entry + 8);
      return r.U16(entry + 2) == 3 && value >= 1 && value <= 8 ? value : 1;
    }
  }
  return 1;
}

}  // namespace

int ExifOrientation(const std::uint8_t* jpeg, std::size_t size) {
  if (size < 4 || jpeg[0] != 0xFF || jpeg[1] != 0xD8) return 1;
  std::size_t at = 2;
  while (at + 4 <= size) {
    if (jpeg[at] != 0xFF) return 1;
    const std::uint8_t marker = jpeg[at + 1];
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    if (marker == 0xDA || marker == 0xD9) return 1;  // scan or end: no more headers
    const std::size_t length = static_cast<std::size_t>(jpeg[at + 2]) << 8 | jpeg[at + 3];
    if (length < 2 || at + 2 + length > size) return 1;
    const std::uint8_t* body = jpeg + at + 4;
    const std::size_t body_size = length - 2;
    if (marker == 0xE1 && body_size >= 6 && std::memcmp(body, "Exif\0\0", 6) == 0) {
      return OrientationInTiff(body + 6, body_size - 6);
    }
    at += 2 + length;
  }
  return 1;
}

void ApplyOrientation(int orientation, const std::uint8_t* in, int w, int h, int pixel_size, std::uint8_t* out) {
  const bool swap = SwapsSides(orientation);
  const int out_w = swap ? h : w;
  const int out_h = swap ? w : h;
  const auto ps = static_cast<std::size_t>(pixel_size);
  for (int oy = 0; oy < out_h; ++oy) {
    std::uint8_t* dst = out + static_cast<std::size_t>(oy) * out_w * ps;
    for (int ox = 0; ox < out_w; ++ox, dst += ps) {
      int sx = ox, sy = oy;
      switch (orientation) {
        case 2: sx = w - 1 - ox; break;
        case 3: sx = w - 1 - ox; sy = h - 1 - oy; break;
        case 4: sy = h - 1 - oy; break;
        case 5: sx = oy; sy = ox; break;
        case 6: sx = oy; sy = h - 1 - ox; break;
        case 7: sx = w - 1 - oy; sy = h - 1 - ox; break;
        case 8: sx = w - 1 - oy; sy = ox; break;
        default: break;
      }
      std::memcpy(dst, in + (static_cast<std::size_t>(sy) * w + sx) * ps, ps);
    }
  }
}

}  // namespace tessellux::pictures
