#include "pictures/jpeg_recompress.h"

#include <turbojpeg.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>
#include <vector>

#include "output/atomic_file.h"
#include "pictures/exif_orientation.h"
#include "protocol/bytes.h"

namespace tessellux::pictures {
namespace {

// Far beyond what any symbol can carry, small enough to keep memory bounded.
constexpr std::uint64_t kMaxFileBytes = std::uint64_t{256} << 20;
constexpr std::uint64_t kMaxPixels = 100'000'000;

struct TjCloser {
  void operator()(void* handle) const { tjDestroy(handle); }
};
using TjHandle = std::unique_ptr<void, TjCloser>;

struct TjBuffer {
  unsigned char* data = nullptr;
  unsigned long size = 0;
  ~TjBuffer() { tjFree(data); }
};

RecompressResult Fail(RecompressResult result, const std::string& path, const std::string& why,
                      std::string short_error, const std::string& work_path) {
  result.ok = false;
  result.error = "The picture " + path + " cannot be used: " + why + ".";
  result.short_error = std::move(short_error);
  ::unlink(work_path.c_str());
  return result;
}

bool ReadWholeFile(const std::string& path, Bytes* bytes, std::string* why) {
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  if (!file) {
    *why = std::strerror(errno);
    return false;
  }
  const std::streamoff size = file.tellg();
  if (size < 0) {
    *why = "its size cannot be read";
    return false;
  }
  if (static_cast<std::uint64_t>(size) > kMaxFileBytes) {
    *why = "it is larger than 256 MiB";
    return false;
  }
  bytes->resize(static_cast<std::size_t>(size));
  file.seekg(0);
  if (size > 0 && !file.read(reinterpret_cast<char*>(bytes->data()), size)) {
    *why = "reading it failed";
    return false;
  }
  return true;
}

// Pixel format and subsampling to encode with: the source's colour kind,
// its chroma subsampling where it is a common one.
struct Encoding {
  int pixel_format;
  int subsampling;
};

Encoding EncodingFor(int colorspace, int subsampling) {
  if (colorspace == TJCS_GRAY) return {TJPF_GRAY, TJSAMP_GRAY};
  const bool common = subsampling == TJSAMP_444 || subsampling == TJSAMP_422 || subsampling == TJSAMP_420 ||
                      subsampling == TJSAMP_440 || subsampling == TJSAMP_411;
  const int sampling = common ? subsampling : TJSAMP_420;
  if (colorspace == TJCS_CMYK || colorspace == TJCS_YCCK) return {TJPF_CMYK, sampling};
  return {TJPF_RGB, sampling};
}

}  // namespace

RecompressResult RecompressJpeg(const std::string& source_path, int quality, const std::string& work_path) {
  RecompressResult result;
  if (quality < kMinQuality || quality > kMaxQuality) {
    return Fail(result, source_path,
                "the quality " + std::to_string(quality) + " is outside " + std::to_string(kMinQuality) + " to " +
                    std::to_string(kMaxQuality),
                "quality out of range", work_path);
  }
  Bytes source;
  std::string why;
  if (!ReadWholeFile(source_path, &source, &why)) return Fail(result, source_path, why, "cannot be read", work_path);
  result.source_read = true;
  result.source_size = source.size();

  TjHandle decoder(tjInitDecompress());
  int width = 0, height = 0, subsampling = 0, colorspace = 0;
  if (!decoder || source.empty() ||
      tjDecompressHeader3(decoder.get(), source.data(), source.size(), &width, &height, &subsampling,
                          &colorspace) != 0) {
    return Fail(result, source_path, "it is not a readable JPEG picture", "not a JPEG picture", work_path);
  }
  if (width <= 0 || height <= 0 || static_cast<std::uint64_t>(width) * height > kMaxPixels) {
    return Fail(result, source_path, "it has more than 100 million pixels", "picture too large", work_path);
  }
  const Encoding encoding = EncodingFor(colorspace, subsampling);
  const int pixel_size = tjPixelSize[encoding.pixel_format];
  std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * pixel_size);
  if (tjDecompress2(decoder.get(), source.data(), source.size(), pixels.data(), width, 0, height,
                    encoding.pixel_format, 0) != 0) {
    // Warnings too: a truncated or damaged picture would be embedded with grey gaps.
    return Fail(result, source_path,
                std::string("it is not a readable JPEG picture (") + tjGetErrorStr2(decoder.get()) + ")",
                "not a readable JPEG picture", work_path);
  }

  const int orientation = ExifOrientation(source.data(), source.size());
  if (orientation != 1) {
    std::vector<unsigned char> turned(pixels.size());
    ApplyOrientation(orientation, pixels.data(), width, height, pixel_size, turned.data());
    pixels.swap(turned);
    if (SwapsSides(orientation)) std::swap(width, height);
  }
  result.width = width;
  result.height = height;

  TjHandle encoder(tjInitCompress());
  TjBuffer encoded;
  if (!encoder || tjCompress2(encoder.get(), pixels.data(), width, 0, height, encoding.pixel_format, &encoded.data,
                              &encoded.size, encoding.subsampling, quality, 0) != 0) {
    return Fail(result, source_path,
                std::string("encoding it again failed (") + (encoder ? tjGetErrorStr2(encoder.get()) : "no encoder") +
                    ")",
                "cannot be encoded", work_path);
  }

  result.used_original = encoded.size >= source.size();
  const Bytes written = result.used_original ? source : Bytes(encoded.data, encoded.data + encoded.size);
  std::string error;
  // A work file: replaced whole, but not worth waiting for the disk.
  if (!output::WriteFileAtomically(work_path, written, &error, {.sync = false})) {
    return Fail(result, source_path, "the work file could not be written (" + error + ")", "cannot write work file",
                work_path);
  }
  result.work_size = written.size();
  result.ok = true;
  return result;
}

}  // namespace tessellux::pictures
