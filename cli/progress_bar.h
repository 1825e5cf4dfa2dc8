#pragma once

// A one-line progress bar on a terminal (stderr), redrawn at most every
// 1% so that a long fetch costs nothing. Off when not on a terminal.

#include <cstdint>
#include <cstdio>

#include "generate/build_driver.h"

namespace tessellux::cli {

class ProgressBar {
 public:
  explicit ProgressBar(bool enabled) : enabled_(enabled) {}
  ~ProgressBar() { Clear(); }

  void Show(generate::BuildStage stage, std::uint64_t done, std::uint64_t total) {
    if (!enabled_ || total == 0) return;
    const int percent = static_cast<int>(done * 100 / total);
    if (percent == last_percent_ && stage == last_stage_) return;
    last_percent_ = percent;
    last_stage_ = stage;
    char bar[31];
    for (int i = 0; i < 30; ++i) bar[i] = i < percent * 30 / 100 ? '#' : '.';
    bar[30] = '\0';
    std::fprintf(stderr, "\r%-9s [%s] %3d%%", stage == generate::BuildStage::kSending ? "sending" : "fetching",
                 bar, percent);
    std::fflush(stderr);
    drawn_ = true;
  }

  void Clear() {
    if (!drawn_) return;
    std::fprintf(stderr, "\r\033[K");
    std::fflush(stderr);
    drawn_ = false;
  }

 private:
  bool enabled_;
  bool drawn_ = false;
  int last_percent_ = -1;
  generate::BuildStage last_stage_ = generate::BuildStage::kSending;
};

}  // namespace tessellux::cli
