#pragma once

// Names the layout value a build refuses, so that a user (or a log reader)
// sees which of the six bytes is wrong and what it may be.

#include <optional>
#include <string>

#include "symbol/symbol.h"

namespace tessellux::codegen {

// "grid 2 is out of range (3 to 128)"; nullopt for a layout the encoder takes.
std::optional<std::string> LayoutProblem(const symbol::Layout& layout);

// symbol::Describe, with the bad value named for BadParameters.
std::string BuildErrorText(symbol::BuildError error, const symbol::Layout& layout);

}  // namespace tessellux::codegen
