#include "symbol/codec/groups.h"

namespace tessellux::symbol::codec {

GroupPlan PlanGroups(int rows, int cols, int k) {
  GroupPlan plan;
  plan.rows = rows;
  plan.cols = cols;
  plan.k = k;
  plan.total = static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols) * kBytesPerBlock;
  const std::size_t full = plan.total / kGroupSize;
  const int tail = static_cast<int>(plan.total % kGroupSize);
  if (tail > 2 * k) {
    plan.groups = full + 1;
    plan.last_len = tail;
  } else {
    plan.groups = full;
    plan.last_len = kGroupSize;
  }
  // Every group but the last carries 48 - 2k data bytes.
  if (plan.groups > 0)
    plan.capacity = (plan.groups - 1) * static_cast<std::size_t>(kGroupSize - 2 * k) +
                    static_cast<std::size_t>(plan.last_len - 2 * k);
  return plan;
}

std::size_t GroupPlan::GroupBytes() const {
  if (groups == 0) return 0;
  return (groups - 1) * kGroupSize + static_cast<std::size_t>(last_len);
}

}  // namespace tessellux::symbol::codec
