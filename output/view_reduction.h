#pragma once

// A faithful small view of a large 1-bit picture: each view pixel is the
// share of black among the picture pixels under it (grey where lines are
// finer than a view pixel), never one sampled pixel, so fine line patterns
// do not turn into moire.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tessellux::output {

// Packed 1-bit rows, most significant bit first (as in BMP files).
struct OneBitPicture {
  const std::uint8_t* bits;
  int width;
  int height;
  std::size_t stride;    // bytes from one row to the next
  bool one_is_black;     // what a set bit means
};

// The reduced view of the picture's rectangle (left, top, width, height),
// which must lie inside the picture, by `factor` in both directions: 8-bit
// grey rows (0 black, 255 white) of ceil(width / factor) pixels, packed, for
// ceil(height / factor) rows. Edge pixels average the part that exists.
// One pass over the bits, counting with popcount.
struct GreyPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;
};

GreyPicture ReduceOneBit(const OneBitPicture& picture, int left, int top, int width, int height, int factor);

// The set bits among bits [begin, end) of a row.
int CountOnes(const std::uint8_t* row, int begin, int end);

}  // namespace tessellux::output
