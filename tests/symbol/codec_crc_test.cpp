// The stream checksum: the usual CRC-32 (reflected 0xEDB88320, inverted in
// and out), whatever the length and the alignment of the data.

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string_view>
#include <vector>

#include "symbol/codec/crc32.h"

namespace tessellux::symbol::codec {
namespace {

std::uint32_t BitByBit(const std::uint8_t* data, std::size_t size) {
  std::uint32_t c = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < size; ++i) {
    c ^= data[i];
    for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
  }
  return ~c;
}

TEST(Crc32, CheckValue) {
  constexpr std::string_view kCheck = "123456789";
  EXPECT_EQ(Crc32(reinterpret_cast<const std::uint8_t*>(kCheck.data()), kCheck.size()), 0xCBF43926u);
  EXPECT_EQ(Crc32(nullptr, 0), 0u);
}

TEST(Crc32, EveryLengthAndAlignmentMatchesBitByBit) {
  std::mt19937 rng(11);
  std::vector<std::uint8_t> data(300);
  for (auto& b : data) b = static_cast<std::uint8_t>(rng());
  for (std::size_t offset = 0; offset < 8; ++offset)
    for (std::size_t size = 0; size + offset <= data.size(); size += 1 + size / 16)
      ASSERT_EQ(Crc32(data.data() + offset, size), BitByBit(data.data() + offset, size)) << offset << " " << size;
}

}  // namespace
}  // namespace tessellux::symbol::codec
