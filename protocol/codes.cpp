#include "protocol/codes.h"

#include "protocol/hex.h"

namespace tessellux::protocol {

std::string CommandName(std::uint8_t code) {
  const CodeWords* entry = FindCommand(code);
  return Hex(code) + " (" + std::string(entry ? entry->name : "unknown command") + ")";
}

std::string StatusMeaning(std::uint8_t status) {
  if (const CodeWords* entry = FindStatus(status)) return std::string(entry->meaning);
  return "status " + Hex(status) + ", not one the Code Generator documents";
}

}  // namespace tessellux::protocol
