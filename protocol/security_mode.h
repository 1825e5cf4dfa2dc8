#pragma once

#include <cstdint>

namespace tessellux::protocol {

// The five security modes, in the order of the 0x51..0x54 commands (0x53
// and 0x54 both carry Universal, Unique or Cascaded). The window's option
// buttons, the command series and the service's encoder all speak of these.
enum class SecurityMode : std::uint8_t { Public = 0, Private = 1, Universal = 2, Unique = 3, Cascaded = 4 };

// The three modes that hand the secret phrase to reader apps.
constexpr bool IsAuthorization(SecurityMode mode) {
  return mode == SecurityMode::Universal || mode == SecurityMode::Unique || mode == SecurityMode::Cascaded;
}

}  // namespace tessellux::protocol
