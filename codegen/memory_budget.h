#pragma once

// One memory budget for the whole service: held fields, partial frames,
// symbols and builds in flight all draw from it, so that however many
// clients hold however much, the total stays under one figure.
//
// The last part of the budget (the headroom) goes only to accounts that
// stay small, so clients that hold what they may never starve the ordinary
// build of a good client.

#include <cstddef>
#include <memory>
#include <mutex>

namespace tessellux::codegen {

// An account of at most this much counts as small (a good client's build
// of the largest symbol holds about 2 MiB).
inline constexpr std::size_t kSmallHolding = std::size_t{4} << 20;

// What the service holds besides the clients' accounts, for a budget that
// covers the whole process: code and libraries, each client's read buffer
// and reply, each build thread's working memory (Argon2id takes 8 MiB).
inline constexpr std::size_t kProcessBaseBytes = std::size_t{16} << 20;
inline constexpr std::size_t kPerClientBytes = std::size_t{160} << 10;
inline constexpr std::size_t kPerBuildThreadBytes = std::size_t{12} << 20;
inline constexpr std::size_t FixedServiceBytes(std::size_t clients, int build_threads) {
  return kProcessBaseBytes + clients * kPerClientBytes + static_cast<std::size_t>(build_threads) * kPerBuildThreadBytes;
}

class MemoryBudget {
 public:
  // `headroom` bytes of `limit` are kept for accounts of at most `small` bytes.
  MemoryBudget(std::size_t limit, std::size_t headroom, std::size_t small);

  std::size_t limit() const { return limit_; }
  std::size_t used() const;

  // Moves an account from `from` to `to` bytes; false (nothing changes)
  // when growing would pass the budget. Shrinking always succeeds.
  bool Move(std::size_t from, std::size_t to);
  // The same, granted even past the budget: for memory already taken (a
  // settled account is at most a little over what was granted before).
  void Force(std::size_t from, std::size_t to);

 private:
  const std::size_t limit_;
  const std::size_t headroom_;
  const std::size_t small_;
  mutable std::mutex mutex_;
  std::size_t used_ = 0;
};

// What one holder (a session, a frame being read) has drawn from a budget;
// given back when it goes. Without a budget every request is granted.
class MemoryAccount {
 public:
  explicit MemoryAccount(std::shared_ptr<MemoryBudget> budget = nullptr) : budget_(std::move(budget)) {}
  ~MemoryAccount() { Resize(0); }
  MemoryAccount(const MemoryAccount&) = delete;
  MemoryAccount& operator=(const MemoryAccount&) = delete;

  std::size_t bytes() const { return bytes_; }
  // Sets the account to `bytes`; false (and unchanged) when the budget refuses.
  bool Resize(std::size_t bytes);
  // Sets the account to what the holder really holds now.
  void Force(std::size_t bytes);

 private:
  std::shared_ptr<MemoryBudget> budget_;
  std::size_t bytes_ = 0;
};

}  // namespace tessellux::codegen
