#pragma once

// The 2-byte check each block carries after its 12 group bytes: a CRC-16
// over the block's number and those bytes. A failed check tells the decoder
// which bytes to treat as erasures, so Reed-Solomon can restore 2k of them
// per group instead of k errors at unknown places.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tessellux::symbol::codec {

// CRC-16/IBM-3740 ("CCITT-FALSE"): polynomial 0x1021, initial 0xFFFF, most
// significant bit first, no final XOR.
std::uint16_t Crc16(std::uint16_t crc, const std::uint8_t* data, std::size_t size);

// Writes the check of block `index` into bytes 12 and 13 (big-endian).
void SealBlock(std::size_t index, std::uint8_t* block);

// Whether block `index` (14 bytes) still matches its check.
bool BlockIntact(std::size_t index, const std::uint8_t* block);

// One flag per block of the codewords (14 bytes each): true when its check fails.
std::vector<bool> FailedChecks(const std::uint8_t* codewords, std::size_t blocks);

}  // namespace tessellux::symbol::codec
