// The long soak and the fairness run against tessellux-codegen on 127.0.0.1.
// Figures: docs/benchmarks.md.
//
//   soak_codegen --codegen PATH [--seconds 60] [--clients 50] [--budget-mib 96]
//   soak_codegen --codegen PATH --fairness 16 [--seconds 20]   (1 to 64 rebuilders)

#include <cstdio>
#include <iostream>

#include "support/codegen_soak.h"

int main(int argc, char** argv) {
  using namespace tessellux::codegen;
  soak::Options options;
  options.duration = std::chrono::seconds(60);
  options.frame_timeout_s = 2;  // unfinished frames dropped often enough to matter within a minute
  int rebuilders = 0;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    const std::string value = argv[i + 1];
    if (name == "--codegen") options.codegen = value;
    else if (name == "--seconds") options.duration = std::chrono::seconds(std::clamp(std::stoi(value), 1, 600));
    else if (name == "--clients") options.clients = std::clamp(std::stoi(value), 1, 60);
    else if (name == "--budget-mib") options.budget_mib = static_cast<std::size_t>(std::stoi(value));
    else if (name == "--fairness") rebuilders = std::clamp(std::stoi(value), 1, 64);
    else {
      std::cerr << "soak_codegen: unknown option " << name << "\n";
      return 1;
    }
  }
  if (options.codegen.empty()) {
    std::cerr << "soak_codegen: give --codegen PATH\n";
    return 1;
  }
  if (rebuilders > 0) {
    const auto r = soak::RunFairness(options.codegen, rebuilders, options.duration);
    std::printf("fairness: %d clients rebuilding a %zu-byte text, public and private in turn (%d rebuilds, "
                "mean %.0f ms); probe: %d builds\n",
                rebuilders, soak::kFairnessTextBytes, r.rebuilds, r.rebuild_mean_ms, r.probe_builds);
    std::printf("  layout reply: mean %.1f ms, worst %.1f ms\n", r.layout_mean_ms, r.layout_worst_ms);
    std::printf("  build reply:  mean %.1f ms, worst %.1f ms\n", r.build_mean_ms, r.build_worst_ms);
    for (const auto& failure : r.failures) std::printf("  FAILURE: %s\n", failure.c_str());
    return r.failures.empty() ? 0 : 2;
  }
  const auto r = soak::Run(options);
  std::printf("soak: %d clients (every %dth hostile) for %lld s, budget %zu MiB\n", options.clients,
              options.hostile_every, static_cast<long long>(options.duration.count() / 1000), options.budget_mib);
  std::printf("  good builds read back: %d, busy: %d, hostile rounds: %d\n", r.good_builds, r.busy, r.hostile_rounds);
  std::printf("  good replies, layout/data/rows: mean %.2f ms, worst %.1f ms\n", r.mean_reply_ms, r.worst_reply_ms);
  std::printf("  good replies, builds: mean %.1f ms, worst %.1f ms\n", r.mean_build_ms, r.worst_build_ms);
  std::printf("  peak resident memory: %zu KiB; alive and building afterwards: %s\n", r.peak_rss_kib,
              r.alive_after ? "yes" : "NO");
  for (const auto& failure : r.failures) std::printf("  FAILURE: %s\n", failure.c_str());
  return r.failures.empty() && r.alive_after && r.peak_rss_kib <= (options.budget_mib << 10) ? 0 : 2;
}
