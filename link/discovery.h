#pragma once

// How the program looks for the Code Generator; the datagrams themselves
// are in protocol/discovery.h.

#include "protocol/discovery.h"

namespace tessellux::link {

inline constexpr const char* kDefaultDiscoveryAddress = "255.255.255.255";
inline constexpr int kDiscoveryPeriodMs = 1000;

}  // namespace tessellux::link
