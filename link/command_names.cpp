#include "link/command_names.h"

#include <cstdio>

namespace tessellux::link {
namespace {

std::string HexCode(std::uint8_t code) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", code);
  return text;
}

const char* CommandWords(std::uint8_t code) {
  switch (code) {
    case 0x11: return "layout";
    case 0x21: return "text";
    case 0x31: return "first file piece";
    case 0x32: return "next file piece";
    case 0x41: return "secret phrase";
    case 0x42: return "identification tag";
    case 0x51: return "build public symbol";
    case 0x52: return "build private symbol";
    case 0x53: return "build authorization symbol";
    case 0x54: return "build temporary authorization symbol";
    case 0x61: return "picture header";
    case 0x62: return "picture row";
    default: return "unknown command";
  }
}

}  // namespace

std::string CommandName(std::uint8_t code) { return HexCode(code) + " (" + CommandWords(code) + ")"; }

std::string StatusMeaning(std::uint8_t status) {
  switch (status) {
    case 0x00: return "success";
    case 0x01: return "unknown command";
    case 0x02: return "malformed parameters or layout values out of range";
    case 0x03: return "command out of order";
    case 0x04: return "data too large for the fixed size, or for the largest symbol";
    case 0x05: return "the bitmap would exceed the Code Generator's bitmap limit";
    case 0x06: return "the build's inputs would exceed the Code Generator's session limit";
    default: return "status " + HexCode(status) + ", not one the Code Generator documents";
  }
}

}  // namespace tessellux::link
