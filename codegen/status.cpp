#include "codegen/status.h"

#include <cstdio>

namespace tessellux::codegen {

std::string HexByte(std::uint8_t byte) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", byte);
  return text;
}

}  // namespace tessellux::codegen
