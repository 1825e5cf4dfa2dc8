#pragma once

// Runs a shell command line for a test and collects what it printed (stdout
// and stderr together) and its exit code.

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace tessellux::testing {

struct ShellOutcome {
  int code = -1;  // -1: not started, or ended by a signal
  std::string output;
};

inline ShellOutcome RunShell(const std::string& command) {
  ShellOutcome outcome;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return outcome;
  char buffer[4096];
  for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) outcome.output.append(buffer, n);
  const int status = pclose(pipe);
  outcome.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return outcome;
}

}  // namespace tessellux::testing
