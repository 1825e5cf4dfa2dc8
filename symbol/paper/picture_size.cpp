#include "symbol/paper/picture_size.h"

#include <cstdlib>

namespace tessellux::symbol::paper {

namespace {

std::uint32_t Big16(const Bytes& b, std::size_t at) { return static_cast<std::uint32_t>(b[at] << 8 | b[at + 1]); }
std::uint32_t Big32(const Bytes& b, std::size_t at) { return Big16(b, at) << 16 | Big16(b, at + 2); }
std::uint32_t Little16(const Bytes& b, std::size_t at) { return static_cast<std::uint32_t>(b[at] | b[at + 1] << 8); }
std::uint32_t Little32(const Bytes& b, std::size_t at) { return Little16(b, at) | Little16(b, at + 2) << 16; }

std::optional<ClaimedSize> PngSize(const Bytes& f) {
  if (f.size() < 24) return std::nullopt;
  return ClaimedSize{Big32(f, 16), Big32(f, 20)};  // IHDR follows the 8-byte signature
}

std::optional<ClaimedSize> BmpSize(const Bytes& f) {
  if (f.size() < 26) return std::nullopt;
  const auto height = static_cast<std::int32_t>(Little32(f, 22));
  return ClaimedSize{static_cast<std::int32_t>(Little32(f, 18)), std::llabs(static_cast<std::int64_t>(height))};
}

// Walks the markers up to the first start-of-frame (SOF0..SOF15 bar DHT,
// JPG and DAC, which share the range).
std::optional<ClaimedSize> JpegSize(const Bytes& f) {
  std::size_t at = 2;
  for (int markers = 0; markers < 4096 && at + 9 <= f.size(); ++markers) {
    if (f[at] != 0xFF) return std::nullopt;
    const std::uint8_t marker = f[at + 1];
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame) return ClaimedSize{Big16(f, at + 7), Big16(f, at + 5)};
    at += 2 + Big16(f, at + 2);
  }
  return std::nullopt;
}

// First image directory's ImageWidth (256) and ImageLength (257).
std::optional<ClaimedSize> TiffSize(const Bytes& f) {
  if (f.size() < 8) return std::nullopt;
  const bool little = f[0] == 'I';
  auto u16 = [&](std::size_t at) { return little ? Little16(f, at) : Big16(f, at); };
  auto u32 = [&](std::size_t at) { return little ? Little32(f, at) : Big32(f, at); };
  const std::size_t dir = u32(4);
  if (dir > f.size() || f.size() - dir < 2) return std::nullopt;
  const std::size_t entries = u16(dir);
  ClaimedSize size;
  for (std::size_t e = 0; e < entries && dir + 2 + 12 * (e + 1) <= f.size(); ++e) {
    const std::size_t at = dir + 2 + 12 * e;
    const std::uint32_t tag = u16(at), type = u16(at + 2);
    const std::int64_t value = type == 3 ? u16(at + 8) : u32(at + 8);  // SHORT or LONG
    if (tag == 256) size.width = value;
    if (tag == 257) size.height = value;
  }
  if (size.width == 0 && size.height == 0) return std::nullopt;
  return size;
}

}  // namespace

std::optional<ClaimedSize> PictureSizeFromHeader(const Bytes& f) {
  if (f.size() >= 8 && f[0] == 0x89 && f[1] == 'P' && f[2] == 'N' && f[3] == 'G') return PngSize(f);
  if (f.size() >= 2 && f[0] == 'B' && f[1] == 'M') return BmpSize(f);
  if (f.size() >= 3 && f[0] == 0xFF && f[1] == 0xD8 && f[2] == 0xFF) return JpegSize(f);
  if (f.size() >= 4 && ((f[0] == 'I' && f[1] == 'I' && f[2] == 42 && f[3] == 0) ||
                        (f[0] == 'M' && f[1] == 'M' && f[2] == 0 && f[3] == 42))) {
    return TiffSize(f);
  }
  return std::nullopt;
}

}  // namespace tessellux::symbol::paper
