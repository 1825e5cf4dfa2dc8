#pragma once

// Byte-level writing and bounds-checked reading of the data stream: single
// bytes, 3-byte little-endian lengths, unsigned LEB128 lengths and
// length-prefixed strings.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "symbol/types.h"

namespace tessellux::symbol::codec {

class Writer {
 public:
  explicit Writer(Bytes& out) : out_(out) {}
  void Byte(std::uint8_t value) { out_.push_back(value); }
  void Varint(std::size_t value);
  void U24(std::size_t value);  // value below 2^24
  void Raw(const std::uint8_t* data, std::size_t size) { out_.insert(out_.end(), data, data + size); }
  void String(std::string_view text);  // varint length, then the bytes

 private:
  Bytes& out_;
};

// Every read fails (nullopt / false) rather than run past the end.
class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::optional<std::uint8_t> Byte();
  std::optional<std::size_t> Varint();  // at most 4 bytes (values below 2^28)
  std::optional<std::size_t> U24();
  const std::uint8_t* Raw(std::size_t size);  // nullptr if fewer bytes remain
  std::optional<std::string> String();
  std::size_t offset() const { return offset_; }
  std::size_t remaining() const { return size_ - offset_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t offset_ = 0;
};

}  // namespace tessellux::symbol::codec
