#pragma once

// A rate per source address (token bucket): what a peer can make the service
// do each second, and how much it may save up. The table of addresses is
// bounded; when it is full of active addresses, new ones are refused.

#include <chrono>
#include <cstddef>
#include <string>
#include <unordered_map>

namespace tessellux::codegen {

class AddressRate {
 public:
  using Clock = std::chrono::steady_clock;

  AddressRate(double per_second, double burst, std::size_t max_addresses = 4096);

  // Takes one from the address's allowance; false when it has none left.
  bool Allow(const std::string& address, Clock::time_point now);

 private:
  struct Bucket {
    double tokens;
    Clock::time_point at;
  };
  double Refilled(const Bucket& bucket, Clock::time_point now) const;
  // Forgets addresses whose allowance is whole again (they lose nothing).
  void ForgetRested(Clock::time_point now);

  double per_second_;
  double burst_;
  std::size_t max_addresses_;
  std::unordered_map<std::string, Bucket> buckets_;
};

}  // namespace tessellux::codegen
