#pragma once

// The payload codec: content and security fields <-> the symbol's codewords
// (r x c x 14 bytes: header, payload, Reed-Solomon parity interleaved across
// blocks, and a check per block). Knows nothing of pixels.

#include <cstddef>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "protocol/block_geometry.h"
#include "symbol/types.h"

namespace tessellux::symbol {

inline constexpr int kFormatVersion = 2;  // in the data stream header
using protocol::kBytesPerBlock;
inline constexpr int kGroupBytesPerBlock = 12;  // the other 2 are the block's check
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

// Data stream bytes a rows x cols symbol holds with k correctable bytes per
// group: 12 * r * c - ceil(k * r * c / 2), i.e. the total 14 * r * c less
// (k / 2 + 2) * r * c rounded up, the figures the program shows.
std::size_t StreamCapacity(int rows, int cols, int k);

// Stream bytes around the content of a public symbol: header, lengths and
// CRC-32. The largest text alone is StreamCapacity - kPublicTextOverhead,
// a file alone likewise, text and file together kPublicTextAndFileOverhead.
inline constexpr std::size_t kPublicEmptyOverhead = 8;
inline constexpr std::size_t kPublicTextOverhead = 11;
inline constexpr std::size_t kPublicTextAndFileOverhead = 14;

// rows/cols 0 = automatic (smallest symbol on the 1, 2, 4, ... 254 scale that
// holds the data, as square as possible); reserved 0 = automatic k (4, or
// less when a fixed size cannot hold the data with 4).
std::variant<Encoded, EncodeError> EncodePayload(const Content& content, const Security& security,
                                                 int rows, int cols, int reserved);

struct DecodedPayload {
  Security security;  // mode, temporary and the embedded fields that the keys could open
  Content content;
  int corrected = 0;       // bytes repaired by error correction
  int damaged_blocks = 0;  // blocks taken as erased (failed check or flagged by the caller)
  int k = 0;               // correctable bytes per group the symbol was built with
};

// Why a decode failed: the reader tool maps these to its exit codes.
enum class DecodeFailure { Damaged, MissingKey, WrongKey };

struct DecodeError {
  std::string message;
  DecodeFailure kind = DecodeFailure::Damaged;
};

// codewords as read from a rows x cols symbol. suspect: empty, or one flag
// per block, non-zero for a block the caller knows to be unreliable (its
// reference marks read wrong); those blocks and the ones whose check fails
// are decoded as erasures.
std::variant<DecodedPayload, DecodeError> DecodePayload(const Bytes& codewords, int rows, int cols,
                                                        const ReaderKeys& keys,
                                                        std::span<const std::uint8_t> suspect = {});

// One flag per block of rows x cols codewords: true when its check fails.
std::vector<bool> FailedBlockChecks(const Bytes& codewords, int rows, int cols);

}  // namespace tessellux::symbol
