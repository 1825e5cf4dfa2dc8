#include "codegen/address_rate.h"

#include <algorithm>

namespace tessellux::codegen {

AddressRate::AddressRate(double per_second, double burst, std::size_t max_addresses)
    : per_second_(per_second), burst_(std::max(1.0, burst)), max_addresses_(max_addresses) {}

double AddressRate::Refilled(const Bucket& bucket, Clock::time_point now) const {
  const double seconds = std::chrono::duration<double>(now - bucket.at).count();
  return std::min(burst_, bucket.tokens + std::max(0.0, seconds) * per_second_);
}

void AddressRate::ForgetRested(Clock::time_point now) {
  std::erase_if(buckets_, [&](const auto& entry) { return Refilled(entry.second, now) >= burst_; });
}

bool AddressRate::Allow(const std::string& address, Clock::time_point now) {
  auto found = buckets_.find(address);
  if (found == buckets_.end()) {
    if (buckets_.size() >= max_addresses_) ForgetRested(now);
    if (buckets_.size() >= max_addresses_) return false;
    found = buckets_.emplace(address, Bucket{burst_, now}).first;
  }
  Bucket& bucket = found->second;
  bucket.tokens = Refilled(bucket, now);
  bucket.at = now;
  if (bucket.tokens < 1.0) return false;
  bucket.tokens -= 1.0;
  return true;
}

}  // namespace tessellux::codegen
