#pragma once

// Reply status bytes of the service. 0x00 is success; every failure has its
// own code so that a client (and its user) can tell them apart.

#include <cstdint>
#include <string>

namespace tessellux::codegen {

enum class Status : std::uint8_t {
  Ok = 0x00,
  UnknownCommand = 0x01,
  MalformedParameters = 0x02,
  OutOfOrder = 0x03,
  DataTooLarge = 0x04,
  BitmapTooLarge = 0x05,
  SessionDataCap = 0x06,
  EmptySecretPhrase = 0x07,  // private or authorization build without a phrase
  Busy = 0x08,  // the service's memory budget cannot take the command now; try again later
};

// The second byte of the reply that ends the picture transfer ("bb").
inline constexpr std::uint8_t kEndOfPicture = 0x62;

// "0x5A": how command codes and statuses appear in log lines.
std::string HexByte(std::uint8_t byte);

}  // namespace tessellux::codegen
