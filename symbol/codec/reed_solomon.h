#pragma once

// Reed-Solomon over GF(256) (libfec, polynomial 0x11D, fcr 0, prim 1) on one
// group of up to 48 bytes: data first, then 2k parity bytes. A group shorter
// than 48 is a shortened code: zeros stand in front of it.

#include <cstdint>

namespace tessellux::symbol::codec {

// data: length - 2k bytes; parity: 2k bytes written.
void EncodeGroup(int k, int length, const std::uint8_t* data, std::uint8_t* parity);

// group: length bytes, corrected in place. Returns the number of bytes
// corrected, or -1 when the group holds more errors than k.
int DecodeGroup(int k, int length, std::uint8_t* group);

}  // namespace tessellux::symbol::codec
