#pragma once

// The texts the timing tools build symbols from.

#include <cstddef>
#include <random>
#include <string>

namespace tessellux::bench {

// Upper-case letters and digits, always the same for a size: the payload
// also given to zint and qrencode, and the largest symbol's text.
inline std::string AlphanumericText(std::size_t size) {
  std::mt19937 random(42);
  const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::string text(size, ' ');
  for (char& c : text) c = alphabet[random() % 36];
  return text;
}

// The largest symbol the Code Generator's default limits allow: 645,000
// bytes of text at grid 11 take 254 x 254 blocks, 22,376 pixels square.
inline constexpr std::size_t kLargestTextBytes = 645'000;
inline constexpr int kLargestGrid = 11;

}  // namespace tessellux::bench
