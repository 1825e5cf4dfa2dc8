#pragma once

#include <optional>
#include <string>

#include "generate/build_request.h"

namespace tessellux::generate {


// The first failed check: the tab to select and the warning to show.
struct CheckFailure {
  int tab;
  std::string title;
  std::string text;
};

// Runs the checks in their fixed order; nothing when all pass. The last
// one refuses what the Security tab's status line shows for the chosen mode
// and fields: an authorization without its serial number or phrase would
// authorize the wrong readers.
std::optional<CheckFailure> CheckBeforeGeneration(const BuildRequest& request);

}  // namespace tessellux::generate
