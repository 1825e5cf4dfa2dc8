#pragma once

// What the geometry in a build reply stands for, on both ends: a symbol is
// block rows x block columns blocks, and each block carries 14 bytes (the
// user's data and the error correction together).

namespace tessellux::protocol {

inline constexpr int kBytesPerBlock = 14;

}  // namespace tessellux::protocol
