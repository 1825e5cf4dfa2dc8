#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace tessellux {

// Every message, frame and file piece is a plain byte string.
using Bytes = std::vector<std::uint8_t>;

inline Bytes ToBytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

}  // namespace tessellux
