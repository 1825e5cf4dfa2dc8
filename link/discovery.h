#pragma once

// Finding the Code Generator: a query datagram, answered with the company name.

#include <string>
#include <string_view>

#include "link/bytes.h"

namespace tessellux::link {

inline constexpr std::string_view kDiscoveryQuery = "TESSELLUX?";
inline constexpr std::string_view kDiscoveryAnswerPrefix = "TESSELLUX=";
inline constexpr const char* kDefaultDiscoveryAddress = "255.255.255.255";
inline constexpr int kDefaultPort = 8877;
inline constexpr int kDiscoveryPeriodMs = 1000;

// The company name an answer carries: everything after the first "=", or the
// whole datagram when it has none. The prefix is not checked. Bytes, 8-bit.
std::string CompanyFromAnswer(const Bytes& datagram);

}  // namespace tessellux::link
