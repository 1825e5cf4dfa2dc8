// BMP files: the header the service sends before the pixel rows, and a
// strict reader for what a reader app is handed (1, 4 or 8 bits with a
// palette, 24 or 32 bits direct; bottom-up or top-down; uncompressed).

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <variant>

#include "symbol/raster.h"

namespace tessellux::symbol {

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::int64_t kPixelsPerMetre = 3780;              // 96 dpi: natural size = pixel size
constexpr std::int64_t kMaxPixels = std::int64_t{1} << 29;  // 64 MiB at 1 bit per pixel

void Put16(Bytes& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(Bytes& out, std::uint32_t v) {
  Put16(out, v & 0xFFFFU);
  Put16(out, v >> 16);
}

std::uint32_t Get16(const Bytes& in, std::size_t at) {
  return static_cast<std::uint32_t>(in[at]) | static_cast<std::uint32_t>(in[at + 1]) << 8;
}

std::uint32_t Get32(const Bytes& in, std::size_t at) { return Get16(in, at) | Get16(in, at + 2) << 16; }

std::int32_t GetSigned32(const Bytes& in, std::size_t at) { return static_cast<std::int32_t>(Get32(in, at)); }

std::int64_t RowStride(std::int64_t width, int bits) { return (width * bits + 31) / 32 * 4; }

bool IsDark(std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
  return red * 299 + green * 587 + blue * 114 < 128 * 1000;
}

struct Header {
  std::int64_t width = 0, height = 0;  // height > 0 after reading; bottom_up says the order
  bool bottom_up = true;
  int bits = 0;
  std::size_t data_offset = 0;
  std::size_t palette_offset = 0;
  std::size_t palette_entries = 0;
};

using Error = std::string;

std::variant<Header, Error> ReadHeader(const Bytes& file) {
  if (file.size() < kFileHeaderSize + kInfoHeaderSize || file[0] != 'B' || file[1] != 'M') {
    return Error("not a BMP file");
  }
  Header h;
  const std::size_t info_size = Get32(file, 14);
  if (info_size < kInfoHeaderSize || info_size > file.size() - kFileHeaderSize) {
    return Error("BMP file: unsupported or truncated info header");
  }
  h.width = GetSigned32(file, 18);
  const std::int64_t height = GetSigned32(file, 22);
  h.bottom_up = height > 0;
  h.height = std::llabs(height);
  h.bits = static_cast<int>(Get16(file, 28));
  if (Get16(file, 26) != 1) return Error("BMP file: plane count is not 1");
  if (Get32(file, 30) != 0) return Error("BMP file: compressed pictures are not supported");
  if (h.bits != 1 && h.bits != 4 && h.bits != 8 && h.bits != 24 && h.bits != 32) {
    return Error("BMP file: unsupported bit depth " + std::to_string(h.bits));
  }
  if (h.width <= 0 || h.height <= 0) return Error("BMP file: empty picture");
  if (h.width > kMaxPixels / h.height) return Error("BMP file: picture too large");
  h.data_offset = Get32(file, 10);
  h.palette_offset = kFileHeaderSize + info_size;
  return h;
}

std::variant<std::array<std::uint8_t, 256>, Error> ReadPalette(const Bytes& file, Header& h) {
  std::array<std::uint8_t, 256> dark{};
  dark.fill(2);  // 2: no such entry
  if (h.bits > 8) return dark;
  const std::size_t max_entries = std::size_t{1} << h.bits;
  const std::size_t used = Get32(file, 46);
  h.palette_entries = used == 0 ? max_entries : used;
  if (h.palette_entries > max_entries) return Error("BMP file: palette larger than the bit depth allows");
  if (h.palette_offset + h.palette_entries * 4 > std::min(h.data_offset, file.size())) {
    return Error("BMP file: palette truncated");
  }
  for (std::size_t k = 0; k < h.palette_entries; ++k) {
    const std::size_t at = h.palette_offset + k * 4;
    dark[k] = IsDark(file[at], file[at + 1], file[at + 2]) ? 1 : 0;
  }
  return dark;
}

// One stored row into the picture's packed row, 1 = black; false on a
// pixel that names a missing palette entry. A 1-bit row is copied whole
// (inverted where palette entry 1 is the dark one), the usual case and the
// largest pictures.
bool DecodeRow(const std::uint8_t* src, const Header& h, const std::array<std::uint8_t, 256>& dark,
               std::uint8_t* dst) {
  const auto bytes = static_cast<std::size_t>((h.width + 7) / 8);
  if (h.bits == 1 && dark[0] <= 1 && dark[1] <= 1) {
    if (dark[0] == dark[1]) {
      std::memset(dst, dark[0] ? 0xFF : 0x00, bytes);
    } else if (dark[1]) {
      std::memcpy(dst, src, bytes);
    } else {
      for (std::size_t i = 0; i < bytes; ++i) dst[i] = static_cast<std::uint8_t>(~src[i]);
    }
    if (h.width % 8) dst[bytes - 1] &= static_cast<std::uint8_t>(0xFF << (8 - h.width % 8));
    return true;
  }
  for (std::int64_t x = 0; x < h.width; ++x) {
    std::uint8_t value;
    if (h.bits <= 8) {
      const std::int64_t bit = x * h.bits;
      const int shift = 8 - h.bits - static_cast<int>(bit % 8);
      const unsigned index = (src[bit / 8] >> shift) & ((1U << h.bits) - 1);
      value = dark[index];
      if (value > 1) return false;
    } else {
      const std::uint8_t* p = src + x * (h.bits / 8);
      value = IsDark(p[0], p[1], p[2]) ? 1 : 0;
    }
    if (value) dst[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
  }
  return true;
}

}  // namespace

Bytes MakeBmpHeader(int width, int height) {
  const std::uint32_t headers = kFileHeaderSize + kInfoHeaderSize + 2 * 4;
  const auto image_size = static_cast<std::uint32_t>(RowStride(width, 1) * height);
  Bytes out;
  out.reserve(headers);
  out.push_back('B');
  out.push_back('M');
  Put32(out, headers + image_size);
  Put32(out, 0);  // reserved
  Put32(out, headers);
  Put32(out, kInfoHeaderSize);
  Put32(out, static_cast<std::uint32_t>(width));
  Put32(out, static_cast<std::uint32_t>(height));  // positive: rows bottom-up
  Put16(out, 1);                                   // planes
  Put16(out, 1);                                   // bits per pixel
  Put32(out, 0);                                   // uncompressed
  Put32(out, image_size);
  Put32(out, kPixelsPerMetre);
  Put32(out, kPixelsPerMetre);
  Put32(out, 2);  // palette entries
  Put32(out, 0);  // all important
  for (std::uint32_t colour : {0x000000U, 0xFFFFFFU}) Put32(out, colour);
  return out;
}

std::variant<Bitmap, std::string> ParseBmp(const Bytes& file) {
  auto header = ReadHeader(file);
  if (auto* error = std::get_if<Error>(&header)) return *error;
  Header& h = std::get<Header>(header);
  auto palette = ReadPalette(file, h);
  if (auto* error = std::get_if<Error>(&palette)) return *error;
  const auto& dark = std::get<std::array<std::uint8_t, 256>>(palette);

  const std::int64_t stride = RowStride(h.width, h.bits);
  if (h.data_offset < h.palette_offset + h.palette_entries * 4 || h.data_offset > file.size() ||
      stride > static_cast<std::int64_t>(file.size() - h.data_offset) / h.height) {
    return Error("BMP file truncated: pixel data missing");
  }
  Bitmap bitmap(static_cast<int>(h.width), static_cast<int>(h.height));
  for (std::int64_t k = 0; k < h.height; ++k) {
    const std::int64_t y = h.bottom_up ? h.height - 1 - k : k;
    const std::uint8_t* src = file.data() + h.data_offset + k * stride;
    if (!DecodeRow(src, h, dark, bitmap.row(static_cast<int>(y)))) {
      return Error("BMP file: a pixel names a missing palette entry");
    }
  }
  return bitmap;
}

namespace {

bool PureBlackAndWhite(const Bytes& file, const Header& h) {
  if (h.palette_entries != 2) return false;
  const std::uint8_t* entry = file.data() + h.palette_offset;
  const auto colour = [&](int k, std::uint8_t v) { return entry[k * 4] == v && entry[k * 4 + 1] == v && entry[k * 4 + 2] == v; };
  return (colour(0, 0) && colour(1, 255)) || (colour(0, 255) && colour(1, 0));
}

}  // namespace

std::optional<Bitmap> TakeBmp(Bytes& file) {
  auto header = ReadHeader(file);
  if (!std::holds_alternative<Header>(header)) return std::nullopt;
  Header& h = std::get<Header>(header);
  if (h.bits != 1 || !std::holds_alternative<std::array<std::uint8_t, 256>>(ReadPalette(file, h)) ||
      !PureBlackAndWhite(file, h)) {
    return std::nullopt;
  }
  const auto stride = static_cast<std::size_t>(RowStride(h.width, 1));
  const auto height = static_cast<std::size_t>(h.height);
  if (h.data_offset < h.palette_offset + 8 || h.data_offset > file.size() ||
      stride > (file.size() - h.data_offset) / height) {
    return std::nullopt;
  }
  const bool invert = file[h.palette_offset] == 0;  // entry 0 black: a set bit is white
  Bitmap bitmap;
  bitmap.width = static_cast<int>(h.width);
  bitmap.height = static_cast<int>(h.height);
  bitmap.stride = (static_cast<std::size_t>(h.width) + 7) / 8;
  // Rows move down over the headers and their padding, in file order, so no
  // row is overwritten before it has moved; then the order is turned round
  // for a bottom-up file.
  std::uint8_t* base = file.data();
  const std::uint8_t tail = h.width % 8 ? static_cast<std::uint8_t>(0xFF << (8 - h.width % 8)) : 0xFF;
  for (std::size_t k = 0; k < height; ++k) {
    std::uint8_t* row = base + k * bitmap.stride;
    std::memmove(row, base + h.data_offset + k * stride, bitmap.stride);
    if (invert)
      for (std::size_t i = 0; i < bitmap.stride; ++i) row[i] = static_cast<std::uint8_t>(~row[i]);
    row[bitmap.stride - 1] &= tail;
  }
  if (h.bottom_up) {
    for (std::size_t k = 0; k < height / 2; ++k)
      std::swap_ranges(base + k * bitmap.stride, base + (k + 1) * bitmap.stride, base + (height - 1 - k) * bitmap.stride);
  }
  file.resize(bitmap.stride * height);
  bitmap.bits = std::move(file);
  file = Bytes();
  return bitmap;
}

}  // namespace tessellux::symbol
