#pragma once

// Ctrl+C (SIGINT) and SIGTERM for the command line: the first one stops the
// builds under way after their current exchange (at most one reply timeout
// later); nothing is written for them, so no half-made file is left. A
// second one ends the process at once, as the default action would.

namespace tessellux::cli {

void CatchInterrupts();
bool Interrupted();

}  // namespace tessellux::cli
