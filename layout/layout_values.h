#pragma once

// What the layout scroll bars' values stand for.

namespace tessellux::layout {

// Block rows or columns of a scroll value: 1, 2, 4, ... 254.
constexpr int BlockCount(int value) { return value == 0 ? 1 : 2 * value; }

// Bytes reserved for error correction in each 48-byte group.
constexpr int ReservedBytes(int value) { return 2 * value + 4; }

// Bytes each 48-byte group can correct: half the reserved bytes.
constexpr int CorrectableBytes(int value) { return value + 2; }

// The scroll values that show a geometry: the inverses of the above (an odd
// count of blocks shows as the even count below it).
constexpr int BlockCountScroll(int count) { return count / 2; }
constexpr int CorrectableBytesScroll(int correctable) { return correctable - 2; }

}  // namespace tessellux::layout
