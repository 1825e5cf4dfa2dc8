#pragma once

// The per-block damage map that --verbose prints: one character per block,
// rows of blocks top to bottom, with column numbers above and row numbers
// beside, for people checking a print.

#include <string>

#include "symbol/symbol.h"

namespace tessellux::reader {

// "." intact, "X" check failed, "r" reference marks wrong, "R" both.
std::string DrawDamageMap(const symbol::DamageMap& damage);

}  // namespace tessellux::reader
