#pragma once

// Many symbols: a JSON Lines file, one symbol's options per line, built by
// `jobs` connections in parallel spread over the Code Generators. A bad or
// failed line is reported and the others go on.

#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "cli/options.h"

namespace tessellux::cli {

// Reports each line as it finishes (stdout; failures to stderr unless
// --json) and returns the exit code: 0 when every line built.
int RunBatch(const ToolOptions& tool, const std::vector<std::string>& hosts, std::istream& lines, std::ostream& out,
             std::ostream& err);

}  // namespace tessellux::cli
