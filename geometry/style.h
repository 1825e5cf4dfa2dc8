#pragma once

#include <cstdint>

namespace tessellux::geometry {

// The drawing style, by the index of its option button.
enum class Style : int {
  kLines = 0,
  kDots = 1,
  kDotsWithEmboss = 2,
};

// The Code Generator knows only lines (1) and dots (2); the embossed
// picture never reaches it.
constexpr std::uint8_t StyleByte(Style style) { return style == Style::kLines ? 1 : 2; }

}  // namespace tessellux::geometry
