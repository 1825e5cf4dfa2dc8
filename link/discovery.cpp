#include "link/discovery.h"

#include <algorithm>

namespace tessellux::link {

std::string CompanyFromAnswer(const Bytes& datagram) {
  auto eq = std::find(datagram.begin(), datagram.end(), static_cast<std::uint8_t>('='));
  auto from = eq == datagram.end() ? datagram.begin() : eq + 1;
  return std::string(from, datagram.end());
}

}  // namespace tessellux::link
