#pragma once

// The service's log on stderr, bounded whatever clients send: each client
// may log a few lines and then one now and then, and the service as a whole
// a few lines a second; what is held back is counted and said with the
// next line written (or when the client leaves).

#include <chrono>
#include <cstddef>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>

namespace tessellux::codegen {

using Clock = std::chrono::steady_clock;

// A token bucket: `burst` lines at once, then one per `interval`.
class LineRate {
 public:
  LineRate(int burst, Clock::duration interval) : burst_(burst), interval_(interval), tokens_(burst) {}
  bool Take(Clock::time_point now);

 private:
  int burst_;
  Clock::duration interval_;
  int tokens_;
  Clock::time_point refilled_{};
};

class ServiceLog {
 public:
  explicit ServiceLog(std::ostream& out, LineRate rate = LineRate(50, std::chrono::milliseconds(100)))
      : out_(out), rate_(rate) {}

  // Writes "tessellux-codegen: TEXT" as one write, or counts it as held back.
  void Line(const std::string& text, Clock::time_point now = Clock::now());

 private:
  std::mutex mutex_;
  std::ostream& out_;
  LineRate rate_;
  std::size_t held_back_ = 0;
};

// One client's share of the log.
class ClientLog {
 public:
  ClientLog(std::shared_ptr<ServiceLog> log, std::string peer)
      : log_(std::move(log)), peer_(std::move(peer)) {}
  ~ClientLog();  // says how many lines were held back, if any
  ClientLog(const ClientLog&) = delete;
  ClientLog& operator=(const ClientLog&) = delete;

  void Line(const std::string& text, Clock::time_point now = Clock::now());

 private:
  std::shared_ptr<ServiceLog> log_;
  std::string peer_;
  LineRate rate_{5, std::chrono::seconds(10)};
  std::size_t held_back_ = 0;
};

}  // namespace tessellux::codegen
