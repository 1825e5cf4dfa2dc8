#include "security/field_checks.h"

namespace tessellux::security {

std::optional<std::string> CheckNotBlank(std::string_view caption, std::u16string_view text) {
  if (!text.empty()) return std::nullopt;
  std::string message;
  for (char c : caption) {
    if (c != ':') message += c;
  }
  return message + " cannot be blank";
}

std::optional<std::string> CheckReaderSerialNumber(std::u16string_view serial_number) {
  constexpr std::size_t kLength = 14;
  bool valid = serial_number.size() == kLength;
  for (std::size_t i = 0; valid && i < kLength; ++i) {
    const char16_t c = serial_number[i];
    valid = (i == 4 || i == 9) ? c == u'-' : (c >= u'0' && c <= u'9');
  }
  if (valid) return std::nullopt;
  return std::string(kSerialNumberMessage);
}

}  // namespace tessellux::security
