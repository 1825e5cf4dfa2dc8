#pragma once

// The payload codec: content and security fields <-> the symbol's codewords
// (r x c x 14 bytes: header, payload, Reed-Solomon parity, interleaved across
// blocks). Knows nothing of pixels.

#include <string>
#include <variant>

#include "symbol/types.h"

namespace tessellux::symbol {

inline constexpr int kBytesPerBlock = 14;
inline constexpr int kGroupSize = 48;
inline constexpr int kMinCorrectable = 2;
inline constexpr int kMaxCorrectable = 17;
inline constexpr int kDefaultCorrectable = 4;  // used when the layout asks for automatic

struct Encoded {
  Geometry geometry;
  Bytes codewords;  // exactly rows * cols * kBytesPerBlock bytes
};

enum class EncodeError { DataTooLarge, BadParameters };

// Block rows or columns of a built symbol: 1, 2, 4, 6, ... 254.
bool ValidBlockCount(int count);
// Reserved bytes of the layout command: 0 (automatic) or 4, 6, ... 34.
bool ValidReserved(int reserved);

// rows/cols 0 = automatic (smallest symbol on the 1, 2, 4, ... 254 scale that
// holds the data, as square as possible); reserved 0 = automatic k.
std::variant<Encoded, EncodeError> EncodePayload(const Content& content, const Security& security,
                                                 int rows, int cols, int reserved);

struct DecodedPayload {
  Security security;  // mode, temporary and the embedded fields that the keys could open
  Content content;
  int corrected = 0;  // bytes repaired by error correction
  int k = 0;          // correctable bytes per group the symbol was built with
};

// Why a decode failed: the reader tool maps these to its exit codes.
enum class DecodeFailure { Damaged, MissingKey, WrongKey };

struct DecodeError {
  std::string message;
  DecodeFailure kind = DecodeFailure::Damaged;
};

// codewords as read from a rows x cols symbol.
std::variant<DecodedPayload, DecodeError> DecodePayload(const Bytes& codewords, int rows, int cols,
                                                        const ReaderKeys& keys);

}  // namespace tessellux::symbol
