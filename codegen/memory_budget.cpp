#include "codegen/memory_budget.h"

#include <algorithm>

namespace tessellux::codegen {

MemoryBudget::MemoryBudget(std::size_t limit, std::size_t headroom, std::size_t small)
    : limit_(limit), headroom_(std::min(headroom, limit)), small_(small) {}

std::size_t MemoryBudget::used() const {
  std::lock_guard lock(mutex_);
  return used_;
}

bool MemoryBudget::Move(std::size_t from, std::size_t to) {
  std::lock_guard lock(mutex_);
  if (to <= from) {
    used_ -= from - to;
    return true;
  }
  const std::size_t ceiling = to <= small_ ? limit_ : limit_ - headroom_;
  if (used_ > ceiling || to - from > ceiling - used_) return false;
  used_ += to - from;
  return true;
}

void MemoryBudget::Force(std::size_t from, std::size_t to) {
  std::lock_guard lock(mutex_);
  used_ = used_ - from + to;
}

bool MemoryAccount::Resize(std::size_t bytes) {
  if (budget_ && !budget_->Move(bytes_, bytes)) return false;
  bytes_ = bytes;
  return true;
}

void MemoryAccount::Force(std::size_t bytes) {
  if (budget_) budget_->Force(bytes_, bytes);
  bytes_ = bytes;
}

}  // namespace tessellux::codegen
