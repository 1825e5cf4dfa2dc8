#include "protocol/discovery.h"

#include <algorithm>

namespace tessellux::protocol {

bool IsDiscoveryQuery(const std::uint8_t* datagram, std::size_t size) {
  return size == kDiscoveryQuery.size() && std::equal(datagram, datagram + size, kDiscoveryQuery.begin());
}

std::string DiscoveryAnswer(std::string_view company) {
  return std::string(kDiscoveryAnswerPrefix).append(company);
}

std::string CompanyFromAnswer(const Bytes& datagram) {
  auto eq = std::find(datagram.begin(), datagram.end(), static_cast<std::uint8_t>('='));
  auto from = eq == datagram.end() ? datagram.begin() : eq + 1;
  return std::string(from, datagram.end());
}

}  // namespace tessellux::protocol
