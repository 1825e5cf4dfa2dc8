#include "generate/build_driver.h"

#include <utility>

namespace tessellux::generate {

BuildResult BuildDriver::Build(BuildRequest request) {
  BuildRun run(std::move(request));
  std::pair<BuildStage, std::uint64_t> shown{BuildStage::kSending, 0};
  for (auto message = run.Start(); message;) {
    link::ExchangeOutcome outcome = exchange_.Exchange(*message);
    if (stop_ && stop_()) run.Stop();
    message = run.Next(std::move(outcome));
    // Once per exchange that moved the count on.
    if (progress_ && std::pair(run.Stage(), run.Done()) != shown && run.Done() > 0) {
      shown = {run.Stage(), run.Done()};
      progress_(run.Stage(), run.Done(), run.Total());
    }
  }
  return std::move(run).Result();
}

}  // namespace tessellux::generate
