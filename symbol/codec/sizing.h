#pragma once

// Choosing the symbol size: rows and columns on the scale 1, 2, 4, ... 254.

#include <cstddef>
#include <optional>

#include "symbol/codec/groups.h"

namespace tessellux::symbol::codec {

inline constexpr int kScaleSteps = 128;  // 1, then 2, 4, ... 254
inline constexpr int ScaleValue(int step) { return step == 0 ? 1 : 2 * step; }

// rows / cols 0 = automatic. With both automatic: the smallest of 1x1, 1x2,
// 2x2, 2x4, 4x4, ... 254x254 (never more than one step from square) whose
// capacity holds needed bytes; with one automatic, the smallest value for it.
std::optional<GroupPlan> ChoosePlan(int rows, int cols, int k, std::size_t needed);

}  // namespace tessellux::symbol::codec
