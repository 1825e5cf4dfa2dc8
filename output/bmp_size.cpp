#include "output/bmp_size.h"

#include <limits>

namespace tessellux::output {
namespace {

std::uint32_t Unsigned(std::span<const std::uint8_t> b, std::size_t at, int size) {
  std::uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = (value << 8) | b[at + static_cast<std::size_t>(i)];
  return value;
}

std::int32_t Signed32(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::int32_t>(Unsigned(b, at, 4));
}

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;  // the old OS/2 form, 16-bit sizes

}  // namespace

std::optional<BmpSize> ReadBmpSize(std::span<const std::uint8_t> file) {
  if (file.size() < kFileHeaderSize + 4 || file[0] != 'B' || file[1] != 'M') return std::nullopt;
  const std::uint32_t info_size = Unsigned(file, kFileHeaderSize, 4);
  if (info_size == kCoreHeaderSize) {
    if (file.size() < kFileHeaderSize + kCoreHeaderSize) return std::nullopt;
    return BmpSize{static_cast<std::int32_t>(Unsigned(file, 18, 2)),
                   static_cast<std::int32_t>(Unsigned(file, 20, 2))};
  }
  if (info_size < 40 || file.size() < kFileHeaderSize + 12) return std::nullopt;
  const std::int32_t width = Signed32(file, 18);
  const std::int32_t height = Signed32(file, 22);
  if (width < 0 || height == std::numeric_limits<std::int32_t>::min()) return std::nullopt;
  return BmpSize{width, height < 0 ? -height : height};
}

}  // namespace tessellux::output
