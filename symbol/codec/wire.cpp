#include "symbol/codec/wire.h"

namespace tessellux::symbol::codec {

void Writer::Varint(std::size_t value) {
  while (value >= 0x80) {
    out_.push_back(static_cast<std::uint8_t>(value | 0x80));
    value >>= 7;
  }
  out_.push_back(static_cast<std::uint8_t>(value));
}

void Writer::U24(std::size_t value) {
  for (int shift = 0; shift < 24; shift += 8) out_.push_back(static_cast<std::uint8_t>(value >> shift));
}

void Writer::String(std::string_view text) {
  Varint(text.size());
  Raw(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

std::optional<std::uint8_t> Reader::Byte() {
  if (offset_ >= size_) return std::nullopt;
  return data_[offset_++];
}

std::optional<std::size_t> Reader::Varint() {
  std::size_t value = 0;
  for (int shift = 0; shift < 28; shift += 7) {
    auto byte = Byte();
    if (!byte) return std::nullopt;
    value |= static_cast<std::size_t>(*byte & 0x7F) << shift;
    if (!(*byte & 0x80)) return value;
  }
  return std::nullopt;
}

std::optional<std::size_t> Reader::U24() {
  const std::uint8_t* bytes = Raw(3);
  if (!bytes) return std::nullopt;
  return static_cast<std::size_t>(bytes[0]) | static_cast<std::size_t>(bytes[1]) << 8 |
         static_cast<std::size_t>(bytes[2]) << 16;
}

const std::uint8_t* Reader::Raw(std::size_t size) {
  if (size > remaining()) return nullptr;
  const std::uint8_t* start = data_ + offset_;
  offset_ += size;
  return start;
}

std::optional<std::string> Reader::String() {
  auto size = Varint();
  if (!size) return std::nullopt;
  const std::uint8_t* bytes = Raw(*size);
  if (!bytes) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(bytes), *size);
}

}  // namespace tessellux::symbol::codec
