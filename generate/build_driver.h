#pragma once

// One symbol's build over a blocking exchange (the command line): the build
// run stepped until it ends.
//
//   BuildDriver driver(exchange, [](BuildStage s, std::uint64_t done, std::uint64_t total) {...});
//   BuildResult result = driver.Build(request);
//   if (result.failure) ...;  // results up to the failure are still filled in

#include <cstdint>
#include <functional>

#include "generate/build_run.h"
#include "link/exchange.h"

namespace tessellux::generate {

// Called after every exchange: `done` of `total` exchanges of the stage.
using BuildProgress = std::function<void(BuildStage stage, std::uint64_t done, std::uint64_t total)>;

// Asked after every exchange; true stops the build there (Ctrl+C).
using StopRequested = std::function<bool()>;

class BuildDriver {
 public:
  explicit BuildDriver(link::CommandExchange& exchange, BuildProgress progress = {}, StopRequested stop = {})
      : exchange_(exchange), progress_(std::move(progress)), stop_(std::move(stop)) {}

  BuildResult Build(BuildRequest request);

 private:
  link::CommandExchange& exchange_;
  BuildProgress progress_;
  StopRequested stop_;
};

}  // namespace tessellux::generate
