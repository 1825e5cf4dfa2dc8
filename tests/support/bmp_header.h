#pragma once

// A hand-made BMP header for tests of the picture fetch: 62 bytes, the
// info header and a two-colour palette, pixel data straight after it.

#include <cstdint>

#include "protocol/bytes.h"

namespace tessellux::testing {

inline void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline Bytes BmpHeader(std::int32_t width, std::int32_t height, std::uint16_t bits = 1) {
  Bytes h(62, 0);
  h[0] = 'B';
  h[1] = 'M';
  Put32(h, 10, 62);
  Put32(h, 14, 40);
  Put32(h, 18, static_cast<std::uint32_t>(width));
  Put32(h, 22, static_cast<std::uint32_t>(height));
  h[26] = 1;
  h[28] = static_cast<std::uint8_t>(bits);
  return h;
}

}  // namespace tessellux::testing
