// A short soak of the tessellux-codegen process: 50 clients at once, a third
// of them hostile, for a few seconds. The long run is bench/soak_codegen.cpp.

#include <gtest/gtest.h>

#include <iostream>

#include "support/codegen_soak.h"

namespace tessellux::codegen {
namespace {

TEST(Soak, FiftyMixedClientsGoodBuildsReadBackMemoryUnderTheBudget) {
  soak::Options options;
  options.codegen = TESSELLUX_CODEGEN_PATH;
  options.duration = std::chrono::milliseconds(3000);
  const soak::Report report = soak::Run(options);
  for (const auto& failure : report.failures) ADD_FAILURE() << failure;
  EXPECT_GT(report.good_builds, 0);
  EXPECT_GT(report.hostile_rounds, 0);
  EXPECT_TRUE(report.alive_after) << "the service still builds after the storm";
#if !defined(__SANITIZE_ADDRESS__)
  EXPECT_LE(report.peak_rss_kib, options.budget_mib << 10) << "resident memory within the budget";
#endif
  std::cout << "good builds " << report.good_builds << ", busy " << report.busy << ", hostile rounds "
            << report.hostile_rounds << "; replies mean " << report.mean_reply_ms << " ms, worst "
            << report.worst_reply_ms << " ms; builds mean " << report.mean_build_ms << " ms, worst "
            << report.worst_build_ms << " ms; peak RSS " << report.peak_rss_kib << " KiB\n";
}

// The fairness run's load must be real: rebuilds that fit and are built each
// time, from clients the service admits.
TEST(Soak, FairnessRebuildsAreRealBuildsThatFit) {
  const soak::FairnessReport report = soak::RunFairness(TESSELLUX_CODEGEN_PATH, 2, std::chrono::milliseconds(1500));
  for (const auto& failure : report.failures) ADD_FAILURE() << failure;
  EXPECT_GE(report.rebuilds, 2);
  EXPECT_GT(report.probe_builds, 0);
}

}  // namespace
}  // namespace tessellux::codegen
