#include "symbol/codec/groups.h"

#include "symbol/codec.h"

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
  for (std::size_t g = 0; g < plan.groups; ++g) plan.capacity += static_cast<std::size_t>(plan.DataLength(g));
  return plan;
}

int GroupPlan::Length(std::size_t g) const { return g + 1 == groups ? last_len : kGroupSize; }

int GroupPlan::DataLength(std::size_t g) const { return Length(g) - 2 * k; }

std::size_t GroupPlan::Position(std::size_t g, int j) const {
  const auto column = static_cast<std::size_t>(j);
  const auto shared = static_cast<std::size_t>(last_len);
  // Columns below last_len hold a byte of every group, later ones skip the last group.
  if (column < shared) return column * groups + g;
  return shared * groups + (column - shared) * (groups - 1) + g;
}

std::size_t GroupPlan::GroupBytes() const {
  if (groups == 0) return 0;
  return (groups - 1) * kGroupSize + static_cast<std::size_t>(last_len);
}

}  // namespace tessellux::symbol::codec
