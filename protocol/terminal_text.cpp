#include "protocol/terminal_text.h"

#include <cstdint>

#include "protocol/hex.h"

namespace tessellux::protocol {
namespace {

using protocol::HexDigits;

// Length of the valid UTF-8 sequence at text[i] and its code point; 0 when invalid.
int DecodeUtf8(std::string_view text, std::size_t i, char32_t& code) {
  const auto lead = static_cast<unsigned char>(text[i]);
  int length = 0;
  char32_t min = 0;
  if (lead >= 0xC2 && lead <= 0xDF) length = 2, code = lead & 0x1F, min = 0x80;
  else if (lead >= 0xE0 && lead <= 0xEF) length = 3, code = lead & 0x0F, min = 0x800;
  else if (lead >= 0xF0 && lead <= 0xF4) length = 4, code = lead & 0x07, min = 0x10000;
  else return 0;
  if (i + static_cast<std::size_t>(length) > text.size()) return 0;
  for (int n = 1; n < length; ++n) {
    const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(n)]);
    if ((next & 0xC0) != 0x80) return 0;
    code = code << 6 | (next & 0x3F);
  }
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

bool Hidden(char32_t code) {
  return (code >= 0x80 && code <= 0x9F) || code == 0x2028 || code == 0x2029 || code == 0x061C ||
         code == 0x200E || code == 0x200F || (code >= 0x202A && code <= 0x202E) ||
         (code >= 0x2066 && code <= 0x2069);
}

}  // namespace

std::string EscapeText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte >= 0x80) {
      char32_t code = 0;
      const int length = DecodeUtf8(text, i, code);
      if (length == 0) out += "\\x" + HexDigits(byte, 2);
      else if (Hidden(code)) out += "\\u" + HexDigits(code, 4);
      else out.append(text.substr(i, static_cast<std::size_t>(length)));
      i += length == 0 ? 1 : static_cast<std::size_t>(length);
      continue;
    }
    switch (byte) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (byte < 0x20 || byte == 0x7F) out += "\\x" + HexDigits(byte, 2);
        else out.push_back(static_cast<char>(byte));
    }
    ++i;
  }
  return out;
}

}  // namespace tessellux::protocol
