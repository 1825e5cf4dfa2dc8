#pragma once

// Hexadecimal for people: command codes, statuses and escaped bytes are all
// written with these upper-case digits.

#include <cstdint>
#include <string>

namespace tessellux::protocol {

// Upper-case digits of `value`, zero-padded to at least `width` digits
// (HexDigits(0x5, 1) == "5", HexDigits(0x5, 2) == "05").
std::string HexDigits(std::uint32_t value, int width);

// "0x5A": how a code or status byte is named in messages and log lines.
inline std::string Hex(std::uint8_t byte) { return "0x" + HexDigits(byte, 2); }

}  // namespace tessellux::protocol
