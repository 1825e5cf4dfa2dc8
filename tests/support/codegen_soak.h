#pragma once

// Load and soak of the tessellux-codegen process on 127.0.0.1: many clients
// at once, a share of them hostile (garbage, frames sent a byte at a time,
// frames that never end, oversize fields, connect-and-vanish), for a bounded
// time. Every good client's picture is read back with the symbol reader and
// compared with what was sent; the service's resident memory is sampled
// throughout; the worst reply time is kept. Also the fairness run: clients
// rebuilding the largest symbol in a loop while one client measures its
// layout and build replies.
//
// Every client connects from a loopback address of its own (127.0.0.2,
// ...), as clients on a LAN would, so that the service's limit per address
// does not stand in for its other limits.
//
// Used by a short test (tests/codegen/soak_test.cpp) and by the long run
// (bench/soak_codegen.cpp).

#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "support/child_process.h"
#include "support/codegen_client.h"
#include "symbol/symbol.h"

namespace tessellux::codegen::soak {

using Clock = std::chrono::steady_clock;
using testing::Cmd;
using testing::SendAll;
using testing::Status;
using testing::TestClient;

struct Options {
  std::string codegen;  // path of tessellux-codegen
  int clients = 50;
  int hostile_every = 3;  // every third client is hostile
  std::chrono::milliseconds duration{3000};
  std::size_t budget_mib = 96;
  int frame_timeout_s = 5;
};

struct Report {
  int good_builds = 0;
  int busy = 0;           // good builds refused 0x08 (allowed, counted)
  int hostile_rounds = 0;  // hostile attempts made
  std::vector<std::string> failures;  // wrong pictures, lost links, unexpected statuses
  double worst_reply_ms = 0;   // layout, data and row commands
  double mean_reply_ms = 0;
  double worst_build_ms = 0;   // security commands (a build each)
  double mean_build_ms = 0;
  std::size_t peak_rss_kib = 0;
  bool alive_after = false;  // the service still ran and built afterwards
};

// Resident memory of a process now, in KiB (0 when it is gone).
inline std::size_t ResidentKib(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string key;
  std::size_t value = 0;
  while (status >> key) {
    if (key == "VmRSS:" && status >> value) return value;
    status.ignore(1 << 12, '\n');
  }
  return 0;
}

// The service as a child process, and the port it reports.
class Service {
 public:
  Service(const std::string& path, const std::vector<std::string>& extra) : child_(path, Args(extra)) {
    if (const auto line = child_.ReadLine(testing::kWaitMs)) {
      const auto colon = line->rfind(':');
      if (colon != std::string::npos) port_ = static_cast<std::uint16_t>(std::stoi(line->substr(colon + 1)));
    }
  }
  std::uint16_t port() const { return port_; }
  tessellux::testing::ChildProcess& child() { return child_; }

 private:
  static std::vector<std::string> Args(const std::vector<std::string>& extra) {
    std::vector<std::string> args{"--bind", "127.0.0.1", "--port", "0", "--company", "Soak Ltd"};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
  }
  tessellux::testing::ChildProcess child_;
  std::uint16_t port_ = 0;
};

// Reply times of good clients.
class Times {
 public:
  void Add(Clock::duration d) {
    const double ms = std::chrono::duration<double, std::milli>(d).count();
    std::lock_guard lock(mutex_);
    worst_ = std::max(worst_, ms);
    sum_ += ms;
    ++count_;
  }
  double worst() const { return worst_; }
  double mean() const { return count_ ? sum_ / static_cast<double>(count_) : 0; }

 private:
  std::mutex mutex_;
  double worst_ = 0, sum_ = 0;
  long count_ = 0;
};

struct Shared {
  std::uint16_t port;
  Clock::time_point end;
  Times times, builds_times;
  std::atomic<int> builds{0}, busy{0}, hostile{0};
  std::mutex mutex;
  std::vector<std::string> failures;
  bool Running() const { return Clock::now() < end; }
  void Fail(const std::string& what) {
    std::lock_guard lock(mutex);
    if (failures.size() < 20) failures.push_back(what);
  }
};

// One exchange, timed.
inline std::optional<Bytes> Timed(TestClient& client, const Bytes& command, Times& times) {
  const auto start = Clock::now();
  auto reply = client.Exchange(command);
  if (reply) times.Add(Clock::now() - start);
  return reply;
}

// A whole build of a random symbol, fetched and read back. False when the
// link is to be opened afresh.
inline bool GoodBuild(TestClient& client, std::mt19937& random, Shared& shared) {
  std::string text(1 + random() % 3000, ' ');
  for (char& c : text) c = static_cast<char>(random() % 5 == 0 ? 0xAA : 'a' + random() % 26);
  const bool dots = random() % 2 != 0;
  const bool private_mode = random() % 3 == 0;
  // Dots of thickness 2 need a grid of 6 or more to stay apart.
  const auto grid = static_cast<std::uint8_t>(dots ? 6 + random() % 3 : 3 + random() % 4);
  const Bytes layout{0x11, 0, 0, 0, grid, dots ? std::uint8_t{2} : std::uint8_t{1}, 2};
  std::vector<Bytes> series{layout, Cmd(0x21, text)};
  if (private_mode) series.push_back(Cmd(0x41, "soak phrase"));
  for (const Bytes& command : series) {
    const auto reply = Timed(client, command, shared.times);
    if (Status(reply) == 0x08) {
      ++shared.busy;
      return true;
    }
    if (Status(reply) != 0x00) {
      shared.Fail("command " + std::to_string(command[0]) + " -> " + std::to_string(Status(reply)));
      return false;
    }
  }
  const auto built = Timed(client, Cmd(private_mode ? 0x52 : 0x51), shared.builds_times);
  if (Status(built) == 0x08) {
    ++shared.busy;
    return true;
  }
  if (Status(built) != 0x00) {
    shared.Fail("build -> " + std::to_string(Status(built)));
    return false;
  }
  const auto start = Clock::now();
  const testing::Fetched fetched = testing::Fetch(client);
  if (!fetched.ended) {
    shared.Fail("picture transfer broke off");
    return false;
  }
  shared.times.Add((Clock::now() - start) / std::max<std::size_t>(1, fetched.rows.size() + 1));
  const symbol::ReaderKeys keys{"Soak Ltd", private_mode ? "soak phrase" : "", "", ""};
  const auto read = symbol::ReadSymbol(fetched.Joined(random() % 2 != 0), keys);
  if (!std::holds_alternative<symbol::ReadResult>(read)) {
    shared.Fail("unreadable picture: " + std::get<symbol::ReadError>(read).message);
    return false;
  }
  if (std::get<symbol::ReadResult>(read).content.text != text) {
    shared.Fail("picture reads back as other text");
    return false;
  }
  ++shared.builds;
  return true;
}

inline void GoodClient(int id, Shared& shared) {
  std::mt19937 random(static_cast<unsigned>(id));
  while (shared.Running()) {
    TestClient client(shared.port, testing::HostAddress(id));
    if (!client.connected()) {
      shared.Fail("a good client could not connect");
      return;
    }
    for (int round = 0; round < 10 && shared.Running(); ++round) {
      if (!GoodBuild(client, random, shared)) break;
    }
  }
}

// A plain socket for the hostile clients, which do not play by the rules.
inline int Connect(std::uint16_t port, const std::string& source) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  const sockaddr_in address = testing::Loopback(port);
  if (!testing::BindSource(fd, source.c_str()) || ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// Reads whatever the service sent, without waiting; false once it closed.
inline bool Drain(int fd, int wait_ms = 0) {
  std::uint8_t buffer[65536];
  while (testing::WaitReadable(fd, wait_ms)) {
    if (::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT) <= 0) return false;
    wait_ms = 0;
  }
  return true;
}

inline void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

inline void HostileClient(int id, int kind, Shared& shared) {
  std::mt19937 random(static_cast<unsigned>(1000 + id));
  while (shared.Running()) {
    ++shared.hostile;
    const int fd = Connect(shared.port, testing::HostAddress(id));
    if (fd < 0) {
      Pause(50);
      continue;
    }
    switch (kind) {
      case 0: {  // garbage, sometimes never reading the replies
        const bool reads = random() % 2 != 0;
        for (int i = 0; i < 50 && shared.Running(); ++i) {
          Bytes garbage(4096);
          for (auto& b : garbage) b = static_cast<std::uint8_t>(random());
          if (!SendAll(fd, garbage) || (reads && !Drain(fd))) break;
          Pause(20);
        }
        break;
      }
      case 1: {  // a valid series, one byte at a time
        Bytes stream = protocol::FrameMessage(Bytes{0x11, 0, 0, 0, 4, 1, 2});
        protocol::AppendFrame(Cmd(0x21, "slowly"), stream);
        protocol::AppendFrame(Cmd(0x51), stream);
        for (std::size_t i = 0; i < stream.size() && shared.Running(); ++i) {
          if (!SendAll(fd, {stream[i]}) || !Drain(fd)) break;
          Pause(15);
        }
        break;
      }
      case 2: {  // a frame that never ends, sent once or trickled
        SendAll(fd, Bytes(1000, 0x21));
        for (int i = 0; i < 400 && shared.Running(); ++i) {
          if (!Drain(fd, 50)) break;
          if (i % 20 == 0 && !SendAll(fd, {0x21})) break;
        }
        break;
      }
      case 3: {  // oversize fields: past the input cap, then as large as allowed, held
        Bytes stream = protocol::FrameMessage(Bytes{0x11, 0, 0, 0, 4, 1, 2});
        protocol::AppendFrame(Cmd(0x21, std::string(std::size_t{15} << 20, 'o')), stream);
        protocol::AppendFrame(Cmd(0x42, std::string(std::size_t{2} << 20, 'o')), stream);
        SendAll(fd, stream);
        for (int i = 0; i < 100 && shared.Running(); ++i) {
          if (!Drain(fd, 50)) break;
        }
        break;
      }
      default: {  // connect, half a command, vanish with a reset
        SendAll(fd, {0x11, 0, 0});
        const linger reset{1, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
        Pause(10);
        break;
      }
    }
    ::close(fd);
  }
}

inline Report Run(const Options& options) {
  Report report;
  Service service(options.codegen, {"--memory-budget-mib", std::to_string(options.budget_mib), "--frame-timeout",
                                    std::to_string(options.frame_timeout_s)});
  if (service.port() == 0) {
    report.failures.push_back("the service did not start");
    return report;
  }
  Shared shared;
  shared.port = service.port();
  shared.end = Clock::now() + options.duration;
  std::atomic<bool> sampling{true};
  std::thread sampler([&] {
    while (sampling) {
      report.peak_rss_kib = std::max(report.peak_rss_kib, ResidentKib(service.child().pid()));
      Pause(20);
    }
  });
  std::vector<std::thread> clients;
  for (int i = 0; i < options.clients; ++i) {
    const bool hostile = options.hostile_every > 0 && i % options.hostile_every == options.hostile_every - 1;
    if (hostile) clients.emplace_back(HostileClient, i, (i / options.hostile_every) % 5, std::ref(shared));
    else clients.emplace_back(GoodClient, i, std::ref(shared));
  }
  for (auto& client : clients) client.join();
  sampling = false;
  sampler.join();

  // Afterwards one more good build on a fresh link, and the process still there.
  Shared after;
  after.port = service.port();
  after.end = Clock::now() + std::chrono::seconds(30);
  TestClient last(service.port(), testing::HostAddress(options.clients));
  std::mt19937 random(7);
  report.alive_after = last.connected() && GoodBuild(last, random, after) && after.builds == 1 &&
                       !service.child().Wait(0);
  report.good_builds = shared.builds;
  report.busy = shared.busy;
  report.hostile_rounds = shared.hostile;
  report.failures = shared.failures;
  report.worst_reply_ms = shared.times.worst();
  report.mean_reply_ms = shared.times.mean();
  report.worst_build_ms = shared.builds_times.worst();
  report.mean_build_ms = shared.builds_times.mean();
  return report;
}

// Fairness: `rebuilders` clients rebuild a large symbol in a loop while one
// client builds small symbols and times its layout and build replies. Each
// rebuild alternates public and private, so that none is the repeat the
// service answers from its last build; the text fits the largest symbol
// (645,160 bytes of public text at the default correction).
inline constexpr std::size_t kFairnessTextBytes = 600000;
// Rebuilders share source addresses four at a time; the probe has its own.
inline constexpr int kRebuildWaitMs = 180000;
inline constexpr int kRebuildersPerAddress = 4;

struct FairnessReport {
  double layout_mean_ms = 0, layout_worst_ms = 0;
  double build_mean_ms = 0, build_worst_ms = 0;
  double rebuild_mean_ms = 0;  // a rebuild's reply: a real build takes long
  int probe_builds = 0, rebuilds = 0;
  std::vector<std::string> failures;
};

inline FairnessReport RunFairness(const std::string& codegen, int rebuilders, std::chrono::milliseconds duration) {
  FairnessReport report;
  Service service(codegen, {});
  Shared shared;
  shared.port = service.port();
  std::atomic<int> ready{0};
  std::atomic<bool> stop{false};
  std::vector<std::thread> loopers;
  const std::string large(kFairnessTextBytes, 'L');
  Times rebuild_times;
  for (int i = 0; i < rebuilders; ++i) {
    loopers.emplace_back([&, i] {
      TestClient client(service.port(), testing::HostAddress(1 + i / kRebuildersPerAddress));
      const bool set = Status(client.Exchange(Bytes{0x11, 0, 0, 0, 11, 1, 2})) == 0 &&
                       Status(client.Exchange(Cmd(0x21, large))) == 0 && Status(client.Exchange(Cmd(0x41, "p"))) == 0;
      if (!set) shared.Fail("a rebuilder could not set up its build");
      ++ready;
      for (int n = 0; set && !stop; ++n) {
        const std::uint8_t code = n % 2 ? 0x52 : 0x51;
        const auto start = Clock::now();
        // Rebuilds queue behind each other on the build threads: many
        // rebuilders wait far longer than one build.
        const auto reply = client.Exchange(Cmd(code), kRebuildWaitMs);
        if (Status(reply) != 0) {
          shared.Fail("rebuild " + std::to_string(code) + " -> " + std::to_string(Status(reply)));
          return;
        }
        rebuild_times.Add(Clock::now() - start);
        ++shared.builds;
      }
    });
  }
  while (ready < rebuilders) Pause(10);
  Times layout, build;
  // One probe round: layout (timed), text, build (timed); a failure text or empty.
  const auto probe_round = [&](TestClient& probe) -> std::string {
    auto start = Clock::now();
    if (Status(probe.Exchange(Bytes{0x11, 0, 0, 0, 4, 1, 2})) != 0) return "probe layout";
    layout.Add(Clock::now() - start);
    if (Status(probe.Exchange(Cmd(0x21, "probe"))) != 0) return "probe text";
    start = Clock::now();
    if (Status(probe.Exchange(Cmd(0x51))) != 0) return "probe build";
    build.Add(Clock::now() - start);
    return {};
  };
  TestClient probe(service.port(), testing::HostAddress(0));
  for (const auto end = Clock::now() + duration; Clock::now() < end; Pause(50)) {
    if (std::string failure = probe_round(probe); !failure.empty()) {
      report.failures.push_back(failure);
      break;
    }
    ++report.probe_builds;
  }
  stop = true;
  for (auto& looper : loopers) looper.join();
  report.layout_mean_ms = layout.mean();
  report.layout_worst_ms = layout.worst();
  report.build_mean_ms = build.mean();
  report.build_worst_ms = build.worst();
  report.rebuilds = shared.builds;
  report.rebuild_mean_ms = rebuild_times.mean();
  for (const auto& failure : shared.failures) report.failures.push_back(failure);
  return report;
}

}  // namespace tessellux::codegen::soak
