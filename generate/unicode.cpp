#include "generate/unicode.h"

namespace tessellux::generate {

Bytes UnicodeToUtf8(std::u16string_view text) {
  if (!text.empty() && text.back() == u'\0') text.remove_suffix(1);
  Bytes out;
  out.reserve(text.size() * 3);
  for (const char16_t unit : text) {
    const unsigned u = unit;
    if (u < 0x80) {
      out.push_back(static_cast<std::uint8_t>(u));
    } else if (u < 0x800) {
      out.push_back(static_cast<std::uint8_t>(0xC0 | (u >> 6)));
      out.push_back(static_cast<std::uint8_t>(0x80 | (u & 0x3F)));
    } else {
      out.push_back(static_cast<std::uint8_t>(0xE0 | (u >> 12)));
      out.push_back(static_cast<std::uint8_t>(0x80 | ((u >> 6) & 0x3F)));
      out.push_back(static_cast<std::uint8_t>(0x80 | (u & 0x3F)));
    }
  }
  return out;
}

}  // namespace tessellux::generate
