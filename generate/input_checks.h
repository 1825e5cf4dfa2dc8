#pragma once

#include <optional>
#include <string>

#include "app/result.h"
#include "app/warning.h"
#include "generate/build_request.h"

namespace tessellux::generate {


// The first failed check: the tab to select and the warning to show.
struct CheckFailure {
  int tab;
  app::Warning warning;
};

// Runs the checks in their fixed order; the first that fails, if any. The last
// one refuses what the Security tab's status line shows for the chosen mode
// and fields: an authorization without its serial number or phrase would
// authorize the wrong readers.
app::Result<app::Done, CheckFailure> CheckBeforeGeneration(const BuildRequest& request);

}  // namespace tessellux::generate
