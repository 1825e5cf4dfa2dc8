#pragma once

// What the geometry in a build reply stands for, on both ends: a symbol is
// block rows x block columns blocks, and each block carries 14 bytes (the
// user's data and the error correction together).

namespace tessellux::protocol {

inline constexpr int kBytesPerBlock = 14;
// Block rows and columns are one byte each in a reply; the layout's scale
// stops at 254.
inline constexpr int kMaxBlocksPerSide = 254;

}  // namespace tessellux::protocol
