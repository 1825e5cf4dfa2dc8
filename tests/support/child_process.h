#pragma once

// Runs a program as a child process for a test: its stdout is readable line
// by line with a timeout; the child is stopped (SIGTERM, then SIGKILL) when
// the object goes.

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace tessellux::testing {

class ChildProcess {
 public:
  ChildProcess(const std::string& program, const std::vector<std::string>& args) {
    int out[2];
    if (::pipe(out) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(out[1], STDOUT_FILENO);
      ::close(out[0]);
      ::close(out[1]);
      std::vector<char*> argv{const_cast<char*>(program.c_str())};
      for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
      argv.push_back(nullptr);
      ::execv(program.c_str(), argv.data());
      ::_exit(127);
    }
    ::close(out[1]);
    stdout_ = out[0];
  }
  ~ChildProcess() {
    for (int signal : {SIGTERM, SIGKILL}) {
      if (pid_ <= 0 || exit_code_) break;
      ::kill(pid_, signal);
      Wait(5000);
    }
    if (stdout_ >= 0) ::close(stdout_);
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t pid() const { return pid_; }

  // The next line of the child's stdout, within timeout_ms for each byte.
  std::optional<std::string> ReadLine(int timeout_ms) {
    std::string line;
    for (char c = 0; line.size() < 4096; line += c) {
      pollfd entry{stdout_, POLLIN, 0};
      if (::poll(&entry, 1, timeout_ms) != 1 || ::read(stdout_, &c, 1) != 1) return std::nullopt;
      if (c == '\n') return line;
    }
    return std::nullopt;
  }

  // The exit code once the child has ended within timeout_ms (-1 for a signal).
  std::optional<int> Wait(int timeout_ms) {
    for (int waited = 0; !exit_code_ && waited <= timeout_ms; waited += 10) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
    }
    return exit_code_;
  }

 private:
  pid_t pid_ = -1;
  int stdout_ = -1;
  std::optional<int> exit_code_;
};

}  // namespace tessellux::testing
