#pragma once

// Finding a Code Generator: a query datagram on UDP, answered with the
// company name, on the same port as the command link.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "protocol/bytes.h"

namespace tessellux::protocol {

inline constexpr std::string_view kDiscoveryQuery = "TESSELLUX?";
inline constexpr std::string_view kDiscoveryAnswerPrefix = "TESSELLUX=";
inline constexpr std::uint16_t kDefaultPort = 8877;

// Only the exact query is answered; anything else is ignored.
bool IsDiscoveryQuery(const std::uint8_t* datagram, std::size_t size);

// The answer datagram a Code Generator sends for `company`.
std::string DiscoveryAnswer(std::string_view company);

// The company name an answer carries: everything after the first "=", or the
// whole datagram when it has none. The prefix is not checked. Bytes, 8-bit.
std::string CompanyFromAnswer(const Bytes& datagram);

}  // namespace tessellux::protocol
