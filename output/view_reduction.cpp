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

namespace {

// Bits [bit, bit + 64) of a row as one word, the first bit most significant.
// Reads 9 bytes from the row's byte bit / 8 on.
std::uint64_t WordAt(const std::uint8_t* row, int bit) {
  const std::uint8_t* p = row + (bit >> 3);
  std::uint64_t word;
  std::memcpy(&word, p, 8);
  if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
  const int shift = bit & 7;
  return shift ? word << shift | p[8] >> (8 - shift) : word;
}

// Adds the set bits of each view column of one picture row to `ones`,
// a word at a time. For factors that are a power of two from 1 to 64 or a
// multiple of 64; the last word of the row is masked to the rectangle.
void CountRowByWords(const std::uint8_t* row, int left, int width, int factor, std::uint32_t* ones) {
  const int words = (width + 63) / 64;
  const int per_word = factor <= 64 ? 64 / factor : 0;
  const std::uint64_t field = factor >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << factor) - 1;
  for (int k = 0; k < words; ++k) {
    std::uint64_t word = WordAt(row, left + 64 * k);
    const int valid = width - 64 * k;
    if (valid < 64) word &= ~std::uint64_t{0} << (64 - valid);
    if (per_word == 1 || per_word == 0) {
      ones[per_word ? k : k / (factor / 64)] += static_cast<std::uint32_t>(std::popcount(word));
      continue;
    }
    std::uint32_t* column = ones + static_cast<std::size_t>(k) * per_word;
    for (int i = 0; i < per_word; ++i)
      column[i] += static_cast<std::uint32_t>(std::popcount((word >> (64 - factor * (i + 1))) & field));
  }
}

bool CountsByWords(int factor) { return factor >= 64 ? factor % 64 == 0 : (factor & (factor - 1)) == 0; }

}  // namespace

GreyPicture ReduceOneBit(const OneBitPicture& picture, int left, int top, int width, int height, int factor) {
  GreyPicture out;
  if (factor < 1 || width <= 0 || height <= 0 || left < 0 || top < 0 || left + width > picture.width ||
      top + height > picture.height)
    return out;
  out.width = (width + factor - 1) / factor;
  out.height = (height + factor - 1) / factor;
  out.pixels.resize(static_cast<std::size_t>(out.width) * out.height);
  // Word reads run up to 9 bytes past a rectangle's last byte: rows whose
  // reads would leave the picture's memory are copied into a padded buffer.
  const std::uint8_t* end = picture.bits + static_cast<std::size_t>(picture.height) * picture.stride;
  const bool by_words = CountsByWords(factor);
  const std::size_t last_read = static_cast<std::size_t>(left + 64 * ((width + 63) / 64)) / 8 + 9;
  std::vector<std::uint8_t> padded(last_read + 8);
  std::vector<std::uint32_t> ones(static_cast<std::size_t>(out.width) + 64);
  for (int oy = 0; oy < out.height; ++oy) {
    std::fill(ones.begin(), ones.end(), 0u);
    const int y0 = top + oy * factor;
    const int rows = std::min(factor, top + height - y0);
    for (int y = y0; y < y0 + rows; ++y) {
      const std::uint8_t* row = picture.bits + static_cast<std::size_t>(y) * picture.stride;
      if (by_words) {
        if (row + last_read > end) {
          std::fill(padded.begin(), padded.end(), 0);
          std::memcpy(padded.data(), row, std::min<std::size_t>(picture.stride, padded.size()));
          row = padded.data();
        }
        CountRowByWords(row, left, width, factor, ones.data());
        continue;
      }
      for (int ox = 0; ox < out.width; ++ox) {
        const int x0 = left + ox * factor;
        ones[static_cast<std::size_t>(ox)] +=
            static_cast<std::uint32_t>(CountOnes(row, x0, std::min(x0 + factor, left + width)));
      }
    }
    std::uint8_t* grey = out.pixels.data() + static_cast<std::size_t>(oy) * out.width;
    for (int ox = 0; ox < out.width; ++ox) {
      const int columns = std::min(factor, width - ox * factor);
      const std::uint64_t area = static_cast<std::uint64_t>(columns) * rows;
      const std::uint64_t set = ones[static_cast<std::size_t>(ox)];
      const std::uint64_t white = picture.one_is_black ? area - set : set;
      grey[ox] = static_cast<std::uint8_t>((white * 255 + area / 2) / area);
    }
  }
  return out;
}

}  // namespace tessellux::output
