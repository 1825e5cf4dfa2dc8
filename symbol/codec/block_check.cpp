#include "symbol/codec/block_check.h"

#include <array>

#include "symbol/codec.h"

namespace tessellux::symbol::codec {
namespace {

using Table = std::array<std::uint16_t, 256>;

constexpr Table MakeTable() {
  Table table{};
  for (unsigned i = 0; i < 256; ++i) {
    auto c = static_cast<std::uint16_t>(i << 8);
    for (int bit = 0; bit < 8; ++bit) c = static_cast<std::uint16_t>((c & 0x8000) ? (c << 1) ^ 0x1021 : c << 1);
    table[i] = c;
  }
  return table;
}

constexpr Table kTable = MakeTable();

std::uint16_t BlockCrc(std::size_t index, const std::uint8_t* block) {
  const std::uint8_t number[2] = {static_cast<std::uint8_t>(index >> 8), static_cast<std::uint8_t>(index)};
  return Crc16(Crc16(0xFFFF, number, 2), block, kGroupBytesPerBlock);
}

}  // namespace

std::uint16_t Crc16(std::uint16_t crc, const std::uint8_t* data, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i)
    crc = static_cast<std::uint16_t>((crc << 8) ^ kTable[((crc >> 8) ^ data[i]) & 0xFF]);
  return crc;
}

void SealBlock(std::size_t index, std::uint8_t* block) {
  const std::uint16_t crc = BlockCrc(index, block);
  block[kGroupBytesPerBlock] = static_cast<std::uint8_t>(crc >> 8);
  block[kGroupBytesPerBlock + 1] = static_cast<std::uint8_t>(crc);
}

bool BlockIntact(std::size_t index, const std::uint8_t* block) {
  const std::uint16_t crc = BlockCrc(index, block);
  return block[kGroupBytesPerBlock] == static_cast<std::uint8_t>(crc >> 8) &&
         block[kGroupBytesPerBlock + 1] == static_cast<std::uint8_t>(crc);
}

std::vector<bool> FailedChecks(const std::uint8_t* codewords, std::size_t blocks) {
  std::vector<bool> failed(blocks);
  for (std::size_t b = 0; b < blocks; ++b) failed[b] = !BlockIntact(b, codewords + b * kBytesPerBlock);
  return failed;
}

}  // namespace tessellux::symbol::codec
