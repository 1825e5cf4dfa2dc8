#pragma once

// The data stream a symbol carries before error correction: header, body
// (text then file) and a CRC-32 over both. Layout in docs/symbol-format.md.

#include <cstddef>
#include <cstdint>
#include <variant>

#include "symbol/codec.h"

namespace tessellux::symbol::codec {

inline constexpr std::uint8_t kMagic = 0x54;  // 'T'
inline constexpr int kVersion = kFormatVersion;

// Encrypts where the security mode asks for it. k is recorded in the header.
Bytes WriteStream(const Content& content, const Security& security, int k);

// True when data (the first group's data bytes) starts like a stream built
// with k correctable bytes per group.
bool LooksLikeStreamStart(const std::uint8_t* data, std::size_t size, int k);

// stream may run on past the checksum (padding). Fails with Damaged when it
// is cut short, malformed or its checksum does not match; with MissingKey or
// WrongKey when a protected part cannot be opened.
std::variant<DecodedPayload, DecodeError> ReadStream(const Bytes& stream, const ReaderKeys& keys);

}  // namespace tessellux::symbol::codec
