#include "symbol/codec/sizing.h"

namespace tessellux::symbol::codec {
namespace {

std::optional<GroupPlan> Fits(int rows, int cols, int k, std::size_t needed) {
  GroupPlan plan = PlanGroups(rows, cols, k);
  if (plan.capacity < needed) return std::nullopt;
  return plan;
}

// Capacity grows with the block count, so the first fit is the smallest.
std::optional<GroupPlan> BothAutomatic(int k, std::size_t needed) {
  for (int step = 0; step < kScaleSteps; ++step) {
    const int side = ScaleValue(step);
    if (auto plan = Fits(side, side, k, needed)) return plan;
    if (step + 1 == kScaleSteps) break;
    if (auto plan = Fits(side, ScaleValue(step + 1), k, needed)) return plan;
  }
  return std::nullopt;
}

}  // namespace

std::optional<GroupPlan> ChoosePlan(int rows, int cols, int k, std::size_t needed) {
  if (rows == 0 && cols == 0) return BothAutomatic(k, needed);
  if (rows != 0 && cols != 0) return Fits(rows, cols, k, needed);
  for (int step = 0; step < kScaleSteps; ++step) {
    const int value = ScaleValue(step);
    if (auto plan = Fits(rows == 0 ? value : rows, cols == 0 ? value : cols, k, needed)) return plan;
  }
  return std::nullopt;
}

}  // namespace tessellux::symbol::codec
