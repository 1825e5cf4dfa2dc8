// The payload decoder with the reader's keys. Byte 0 picks the entry point:
//   even: the data stream as it stands, then with its CRC-32 appended (so
//         that mutated streams get past the checksum);
//   odd:  codewords of a block symbol (rows, cols from byte 1), through
//         error correction and deinterleaving.
// Then four key fields (company, phrase, serial, old phrase), then the data.

#include "fuzz/fuzz_support.h"
#include "symbol/codec.h"
#include "symbol/codec/crc32.h"
#include "symbol/codec/stream.h"

using namespace tessellux::symbol;

namespace {

void Check(const std::variant<DecodedPayload, DecodeError>& result) {
  if (const auto* error = std::get_if<DecodeError>(&result)) FUZZ_CHECK(!error->message.empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tessellux::fuzz::Input input(data, size);
  const std::uint8_t entry = input.Byte();
  const std::uint8_t shape = input.Byte();
  ReaderKeys keys;
  keys.company = input.Text(32);
  keys.phrase = input.Text(32);
  keys.serial = input.Text(16);
  keys.old_phrase = input.Text(32);
  Bytes bytes = input.Rest();

  if (entry % 2 == 0) {
    Check(codec::ReadStream(bytes, keys));
    const std::uint32_t crc = codec::Crc32(bytes.data(), bytes.size());
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<std::uint8_t>(crc >> shift));
    Check(codec::ReadStream(bytes, keys));
    return 0;
  }
  static constexpr int kCounts[] = {1, 2, 4, 6};
  const int rows = kCounts[shape & 3];
  const int cols = kCounts[(shape >> 2) & 3];
  bytes.resize(static_cast<std::size_t>(rows * cols * kBytesPerBlock));
  Check(DecodePayload(bytes, rows, cols, keys));
  return 0;
}
