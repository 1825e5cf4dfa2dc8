#pragma once

// CRC-32 (IEEE 802.3, reflected, polynomial 0xEDB88320): the checksum that
// guards the data stream against a miscorrection by Reed-Solomon.

#include <cstddef>
#include <cstdint>

namespace tessellux::symbol::codec {

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size);

}  // namespace tessellux::symbol::codec
