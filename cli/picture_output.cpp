#include "cli/picture_output.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "app/atomic_file.h"
#include "output/picture_assembly.h"
#include "output/picture_resolution.h"

namespace tessellux::cli {
namespace {

constexpr std::size_t kMaxPicture = output::PictureAssembly::kDefaultLimit;

std::uint32_t Le32(const Bytes& b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
         static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

void PutBe32(Bytes& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void Chunk(Bytes& png, const char (&type)[5], const Bytes& data) {
  PutBe32(png, static_cast<std::uint32_t>(data.size()));
  const std::size_t start = png.size();
  png.insert(png.end(), type, type + 4);
  png.insert(png.end(), data.begin(), data.end());
  const auto crc = crc32(0L, png.data() + start, static_cast<uInt>(png.size() - start));
  PutBe32(png, static_cast<std::uint32_t>(crc));
}

// A checked BMP as PNG: up to 8 bits per pixel with its palette, 24 and
// 32 bits as RGB. Rows go top-down; the BMP's are bottom-up.
std::optional<Bytes> Png(const Bytes& bmp, double dots_per_inch, std::string* error) {
  if (bmp.size() < 54) {
    *error = "the symbol picture is too short to be a BMP picture";
    return std::nullopt;
  }
  const std::size_t header_size = std::min<std::size_t>(bmp.size(), Le32(bmp, 10));
  const auto shape =
      output::ReadBmpShape(Bytes(bmp.begin(), bmp.begin() + static_cast<std::ptrdiff_t>(header_size)), kMaxPicture);
  if (!shape) {
    *error = shape.error();
    return std::nullopt;
  }
  if (bmp.size() != shape->header_size + shape->row_bytes * static_cast<std::size_t>(shape->height)) {
    *error = "the symbol picture does not match its header";
    return std::nullopt;
  }
  const std::uint16_t bits = static_cast<std::uint16_t>(bmp[28] | bmp[29] << 8);
  const std::size_t width = static_cast<std::size_t>(shape->width);
  const bool indexed = bits <= 8;
  const std::size_t line = indexed ? (width * bits + 7) / 8 : width * 3;

  Bytes raw;
  raw.reserve((line + 1) * static_cast<std::size_t>(shape->height));
  for (int y = shape->height - 1; y >= 0; --y) {
    const std::uint8_t* row = bmp.data() + shape->header_size + shape->row_bytes * static_cast<std::size_t>(y);
    raw.push_back(0);  // filter: none
    if (indexed) {
      raw.insert(raw.end(), row, row + line);
    } else {
      const std::size_t step = bits / 8;
      for (std::size_t x = 0; x < width; ++x) raw.insert(raw.end(), {row[x * step + 2], row[x * step + 1], row[x * step]});
    }
  }
  uLongf packed_size = compressBound(static_cast<uLong>(raw.size()));
  Bytes packed(packed_size);
  if (compress2(packed.data(), &packed_size, raw.data(), static_cast<uLong>(raw.size()), 6) != Z_OK) {
    *error = "the picture could not be compressed";
    return std::nullopt;
  }
  packed.resize(packed_size);

  Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes header;
  PutBe32(header, static_cast<std::uint32_t>(shape->width));
  PutBe32(header, static_cast<std::uint32_t>(shape->height));
  header.insert(header.end(), {static_cast<std::uint8_t>(indexed ? bits : 8), static_cast<std::uint8_t>(indexed ? 3 : 2),
                               0, 0, 0});
  Chunk(png, "IHDR", header);
  if (indexed) {
    const std::size_t colours_used = Le32(bmp, 46);
    const std::size_t colours = colours_used ? std::min<std::size_t>(colours_used, 256) : std::size_t{1} << bits;
    const std::size_t palette_at = 14 + Le32(bmp, 14);
    if (palette_at + colours * 4 > shape->header_size) {
      *error = "the picture's palette is missing";
      return std::nullopt;
    }
    Bytes palette;
    for (std::size_t i = 0; i < colours; ++i) {
      const std::uint8_t* entry = bmp.data() + palette_at + i * 4;
      palette.insert(palette.end(), {entry[2], entry[1], entry[0]});
    }
    Chunk(png, "PLTE", palette);
  }
  Chunk(png, "pHYs", output::PngPhysicalDimensions(dots_per_inch));
  Chunk(png, "IDAT", packed);
  Chunk(png, "IEND", {});
  return png;
}

}  // namespace

bool Saved(const app::Result<>& written, std::string* error) {
  if (!written) *error = written.error();
  return written.ok();
}

bool WriteStandardOutput(const Bytes& bytes, std::string* error) {
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() && std::fflush(stdout) == 0;
  if (!written) *error = std::string("standard output: ") + std::strerror(errno);
  return written;
}

bool CopyToStandardOutput(const std::string& path, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  const Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad() || !in.eof()) {
    *error = "cannot read back " + path;
    return false;
  }
  return WriteStandardOutput(bytes, error);
}

bool WritePicture(const Bytes& bmp, const std::string& path, OutputKind kind, double dots_per_inch,
                  std::string* error) {
  const auto save = [&](const Bytes& bytes) {
    return path == "-" ? WriteStandardOutput(bytes, error) : Saved(app::WriteFileAtomically(path, bytes), error);
  };
  switch (kind) {
    case OutputKind::kBmp: {
      Bytes declared = bmp;
      if (!output::SetBmpResolution(declared, dots_per_inch)) {
        *error = "the symbol picture is too short to be a BMP picture";
        return false;
      }
      return save(declared);
    }
    case OutputKind::kPng: {
      const auto png = Png(bmp, dots_per_inch, error);
      return png && save(*png);
    }
    case OutputKind::kPdf:
      break;
  }
  *error = "a PDF is a printed page, written by WritePdfPage";
  return false;
}

}  // namespace tessellux::cli
