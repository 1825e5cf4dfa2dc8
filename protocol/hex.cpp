#include "protocol/hex.h"

namespace tessellux::protocol {

std::string HexDigits(std::uint32_t value, int width) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (int shift = 28; shift >= 0; shift -= 4) {
    const auto digit = (value >> shift) & 0xFu;
    if (digit != 0 || !text.empty() || shift < 4 * width) text += kDigits[digit];
  }
  return text;
}

}  // namespace tessellux::protocol
