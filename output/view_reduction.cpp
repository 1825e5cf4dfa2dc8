#include "output/view_reduction.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace tessellux::output {

int CountOnes(const std::uint8_t* row, int begin, int end) {
  if (begin >= end) return 0;
  const int first = begin >> 3;
  const int last = (end - 1) >> 3;
  const auto head = static_cast<std::uint8_t>(0xFFu >> (begin & 7));
  const auto tail = static_cast<std::uint8_t>(0xFFu << (7 - ((end - 1) & 7)));
  if (first == last) return std::popcount(static_cast<std::uint8_t>(row[first] & head & tail));
  int ones = std::popcount(static_cast<std::uint8_t>(row[first] & head)) +
             std::popcount(static_cast<std::uint8_t>(row[last] & tail));
  const std::uint8_t* p = row + first + 1;
  int bytes = last - first - 1;
  for (; bytes >= 8; bytes -= 8, p += 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    ones += std::popcount(word);
  }
  for (; bytes > 0; --bytes) ones += std::popcount(*p++);
  return ones;
}

GreyPicture ReduceOneBit(const OneBitPicture& picture, int left, int top, int width, int height, int factor) {
  GreyPicture out;
  if (factor < 1 || width <= 0 || height <= 0 || left < 0 || top < 0 || left + width > picture.width ||
      top + height > picture.height)
    return out;
  out.width = (width + factor - 1) / factor;
  out.height = (height + factor - 1) / factor;
  out.pixels.resize(static_cast<std::size_t>(out.width) * out.height);
  std::vector<std::uint32_t> ones(static_cast<std::size_t>(out.width));
  for (int oy = 0; oy < out.height; ++oy) {
    std::fill(ones.begin(), ones.end(), 0u);
    const int y0 = top + oy * factor;
    const int rows = std::min(factor, top + height - y0);
    for (int y = y0; y < y0 + rows; ++y) {
      const std::uint8_t* row = picture.bits + static_cast<std::size_t>(y) * picture.stride;
      for (int ox = 0; ox < out.width; ++ox) {
        const int x0 = left + ox * factor;
        ones[static_cast<std::size_t>(ox)] += static_cast<std::uint32_t>(CountOnes(row, x0, std::min(x0 + factor, left + width)));
      }
    }
    std::uint8_t* grey = out.pixels.data() + static_cast<std::size_t>(oy) * out.width;
    for (int ox = 0; ox < out.width; ++ox) {
      const int columns = std::min(factor, left + width - (left + ox * factor));
      const std::uint64_t area = static_cast<std::uint64_t>(columns) * rows;
      const std::uint64_t set = ones[static_cast<std::size_t>(ox)];
      const std::uint64_t white = picture.one_is_black ? area - set : set;
      grey[ox] = static_cast<std::uint8_t>((white * 255 + area / 2) / area);
    }
  }
  return out;
}

}  // namespace tessellux::output
