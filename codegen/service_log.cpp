#include "codegen/service_log.h"

namespace tessellux::codegen {

bool LineRate::Take(Clock::time_point now) {
  if (refilled_ == Clock::time_point{}) refilled_ = now;
  const auto earned = now > refilled_ ? (now - refilled_) / interval_ : 0;
  if (earned >= burst_ - tokens_) {
    tokens_ = burst_;
    refilled_ = now;
  } else if (earned > 0) {
    tokens_ += static_cast<int>(earned);
    refilled_ += earned * interval_;
  }
  if (tokens_ == 0) return false;
  --tokens_;
  return true;
}

void ServiceLog::Line(const std::string& text, Clock::time_point now) {
  std::lock_guard lock(mutex_);
  if (!rate_.Take(now)) {
    ++held_back_;
    return;
  }
  std::string line = "tessellux-codegen: " + text;
  if (held_back_ > 0) line += " (" + std::to_string(held_back_) + " earlier log lines not shown)";
  held_back_ = 0;
  line += '\n';
  out_.write(line.data(), static_cast<std::streamsize>(line.size()));
}

void ClientLog::Line(const std::string& text, Clock::time_point now) {
  if (!log_) return;
  if (!rate_.Take(now)) {
    ++held_back_;
    return;
  }
  std::string line = peer_ + ": " + text;
  if (held_back_ > 0) line += " (" + std::to_string(held_back_) + " earlier lines from this client not shown)";
  held_back_ = 0;
  log_->Line(line, now);
}

ClientLog::~ClientLog() {
  if (log_ && held_back_ > 0) {
    log_->Line(peer_ + ": left; " + std::to_string(held_back_) + " further lines from this client not shown");
  }
}

}  // namespace tessellux::codegen
