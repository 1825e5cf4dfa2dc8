#pragma once

// Processes the timing tools run: the reference Code Generator on loopback
// for the length of a run, and a command timed from start to exit. Every
// wait is bounded.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QTcpServer>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "protocol/discovery.h"

extern char** environ;

namespace tessellux::bench {

// Starts `path` on 127.0.0.1 at a free port (never the default one) and
// waits until it says it listens, at most 5 s a try; the port, or 0.
inline quint16 StartCodeGenerator(QProcess& codegen, const QString& path, const QString& company = "Bench") {
  codegen.setProcessChannelMode(QProcess::MergedChannels);
  for (int attempt = 0; attempt < 5; ++attempt) {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0)) continue;
    const quint16 port = probe.serverPort();
    probe.close();
    if (port == protocol::kDefaultPort) continue;
    codegen.start(path, {"--bind", "127.0.0.1", "--port", QString::number(port), "--company", company});
    if (!codegen.waitForStarted(3000)) return 0;
    QByteArray said;
    QElapsedTimer waited;
    waited.start();
    while (codegen.state() == QProcess::Running && !said.contains("listening") && waited.elapsed() < 5000) {
      codegen.waitForReadyRead(100);
      said += codegen.readAll();
    }
    if (codegen.state() == QProcess::Running && said.contains("listening")) return port;
    codegen.kill();
    codegen.waitForFinished(1000);
  }
  return 0;
}

// Runs `args` (the program first) with its standard output thrown away;
// its exit code, or -1 when it could not start, died or outlasted
// `timeout` (it is killed then).
inline int RunTimed(const std::vector<std::string>& args, std::chrono::milliseconds timeout) {
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  // A process descriptor becomes readable at the exit: no polling that
  // would take a core's time from what is timed.
  const int exit_fd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
  int status = 0;
  bool exited = false;
  if (exit_fd >= 0) {
    pollfd watch{exit_fd, POLLIN, 0};
    exited = ::poll(&watch, 1, static_cast<int>(timeout.count())) == 1;
    ::close(exit_fd);
  } else {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!(exited = ::waitpid(pid, &status, WNOHANG) == pid) && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  if (!exited) ::kill(pid, SIGKILL);
  if (exit_fd >= 0 || !exited) ::waitpid(pid, &status, 0);
  if (!exited) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace tessellux::bench
