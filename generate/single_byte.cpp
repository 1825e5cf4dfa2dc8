#include "generate/single_byte.h"

#include <array>

namespace tessellux::generate {
namespace {

// Characters of the bytes 0x80 to 0x9F; 0 marks the five bytes that
// Windows-1252 leaves to the C1 control characters of the same value.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

std::uint8_t ByteOf(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<std::uint8_t>(c);
  for (std::size_t i = 0; i < kHighControls.size(); ++i) {
    const bool unassigned = kHighControls[i] == 0;
    if ((unassigned && c == 0x80 + i) || (!unassigned && c == kHighControls[i])) {
      return static_cast<std::uint8_t>(0x80 + i);
    }
  }
  return '?';
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

Bytes ToSingleByte(std::u16string_view text) {
  Bytes out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) ++i;
    out.push_back(ByteOf(text[i]));
  }
  return out;
}

}  // namespace tessellux::generate
