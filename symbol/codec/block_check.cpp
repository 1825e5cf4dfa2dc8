#include "symbol/codec/block_check.h"

#include <array>

#include "symbol/codec.h"

namespace tessellux::symbol::codec {
namespace {

// Slicing by 2: table 0 advances the CRC over one byte, table 1 over a byte
// followed by a zero byte, so two bytes take two independent lookups.
using Tables = std::array<std::array<std::uint16_t, 256>, 2>;

constexpr Tables MakeTables() {
  Tables tables{};
  for (unsigned i = 0; i < 256; ++i) {
    auto c = static_cast<std::uint16_t>(i << 8);
    for (int bit = 0; bit < 8; ++bit) c = static_cast<std::uint16_t>((c & 0x8000) ? (c << 1) ^ 0x1021 : c << 1);
    tables[0][i] = c;
  }
  for (unsigned i = 0; i < 256; ++i)
    tables[1][i] = static_cast<std::uint16_t>((tables[0][i] << 8) ^ tables[0][tables[0][i] >> 8]);
  return tables;
}

constexpr Tables kTables = MakeTables();

std::uint16_t BlockCrc(std::size_t index, const std::uint8_t* block) {
  const std::uint8_t number[2] = {static_cast<std::uint8_t>(index >> 8), static_cast<std::uint8_t>(index)};
  return Crc16(Crc16(0xFFFF, number, 2), block, kGroupBytesPerBlock);
}

}  // namespace

std::uint16_t Crc16(std::uint16_t crc, const std::uint8_t* data, std::size_t size) {
  const auto& t = kTables;
  std::size_t i = 0;
  for (; i + 2 <= size; i += 2) {
    const unsigned x = crc ^ (static_cast<unsigned>(data[i]) << 8 | data[i + 1]);
    crc = static_cast<std::uint16_t>(t[1][x >> 8] ^ t[0][x & 0xFF]);
  }
  if (i < size) crc = static_cast<std::uint16_t>((crc << 8) ^ t[0][((crc >> 8) ^ data[i]) & 0xFF]);
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
