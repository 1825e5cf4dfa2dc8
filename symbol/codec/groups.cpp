#include "symbol/codec/groups.h"

namespace tessellux::symbol::codec {

GroupPlan PlanGroups(int rows, int cols, int k) {
  GroupPlan plan;
  plan.rows = rows;
  plan.cols = cols;
  plan.k = k;
  plan.blocks = static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols);
  plan.total = plan.blocks * kBytesPerBlock;
  constexpr std::size_t kBlocksPerGroup = kGroupSize / kGroupBytesPerBlock;
  const std::size_t full = plan.blocks / kBlocksPerGroup;
  const int left = static_cast<int>(plan.blocks % kBlocksPerGroup);
  plan.groups = full + (left > 0 ? 1 : 0);
  plan.last_len = left > 0 ? left * kGroupBytesPerBlock : kGroupSize;
  plan.last_parity = left > 0 ? (k * left + 1) / 2 : 2 * k;
  // capacity = 12 * blocks - ceil(k * blocks / 2): what the window shows as user data.
  if (plan.groups > 0)
    plan.capacity = (plan.groups - 1) * static_cast<std::size_t>(kGroupSize - 2 * k) +
                    static_cast<std::size_t>(plan.last_len - plan.last_parity);
  return plan;
}

}  // namespace tessellux::symbol::codec
