#include "cli/interrupt.h"

#include <atomic>
#include <csignal>

namespace tessellux::cli {
namespace {

std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

extern "C" void OnInterrupt(int signal) {
  if (interrupted.exchange(true)) {
    std::signal(signal, SIG_DFL);
    std::raise(signal);
  }
}

}  // namespace

void CatchInterrupts() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a blocking wait returns early and the build sees the flag.
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

bool Interrupted() { return interrupted.load(); }

}  // namespace tessellux::cli
