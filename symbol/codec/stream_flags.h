#pragma once

// The flags byte of the data stream header and the file kinds it names.

#include <cstdint>

#include "symbol/types.h"

namespace tessellux::symbol::codec {

inline constexpr std::uint8_t kFlagTemporary = 0x01;
inline constexpr std::uint8_t kFlagText = 0x02;
inline constexpr std::uint8_t kFlagFile = 0x04;
inline constexpr int kFileKindShift = 3;  // two bits
inline constexpr std::uint8_t kFlagsKnown = 0x1F;

enum class FileKind { Other = 0, Jpeg = 1, Zip = 2 };

// By magic bytes: JPEG FF D8 FF, ZIP 50 4B.
FileKind SniffFileKind(const Bytes& file);

}  // namespace tessellux::symbol::codec
