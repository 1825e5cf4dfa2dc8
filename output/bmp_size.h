#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace tessellux::output {

struct BmpSize {
  std::int32_t width;
  std::int32_t height;
};

// The width and height in pixels from a BMP file's headers. A negative
// height (rows stored top-down) gives its magnitude. Nothing when the bytes
// are not a BMP header this can read.
std::optional<BmpSize> ReadBmpSize(std::span<const std::uint8_t> file);

}  // namespace tessellux::output
