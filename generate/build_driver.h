#pragma once

// One symbol's build, the same for the window and the command line: the
// checks, the command series with the upload, the geometry, statistics and
// size texts read from the last reply, and the fetch of the picture. The
// caller supplies the choices and something that performs one exchange;
// the driver owns every rule in between and reports what happened.
//
//   BuildDriver driver(exchange, [](BuildStage s, std::uint64_t done, std::uint64_t total) {...});
//   BuildResult result = driver.Build(request);
//   if (result.failure) ...;  // results up to the failure are still filled in

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "app/warning.h"
#include "generate/command_series.h"
#include "generate/input_checks.h"
#include "generate/results.h"
#include "link/exchange.h"
#include "output/picture_assembly.h"
#include "protocol/bytes.h"

namespace tessellux::generate {

struct BuildRequest {
  // What the checks look at; they run first and all in one place.
  CheckInputs checks;
  // What is sent. choices.data_text is the text that was checked; the
  // upload file, if any, is the path the caller prepared (the recompressed
  // picture or the ZIP file).
  GenerationChoices choices;
  bool mirror = false;          // rows joined in reverse order
  double dots_per_inch = 0.0;   // not above 0: no size texts
  std::string group_separator = ",";
  std::string decimal_point = ".";
  std::size_t picture_limit = output::PictureAssembly::kDefaultLimit;
  // Runs after the checks pass and before anything is sent: makes the
  // upload file ready (the picture recompressed at the chosen quality). A
  // warning stops the build with nothing sent.
  std::function<std::optional<app::Warning>()> prepare_upload;
};

enum class BuildStage { kSending, kFetching };
// Called after every exchange: `done` of `total` exchanges of the stage.
using BuildProgress = std::function<void(BuildStage stage, std::uint64_t done, std::uint64_t total)>;

struct BuildFailure {
  enum class Kind {
    kCheck,          // an input check failed: `tab` and `warning` as the window shows them
    kTimeout,        // no reply within the timeout
    kLinkLost,       // the link broke
    kProtocolError,  // the reply broke the protocol (trailing bytes, over the cap)
    kStatus,         // an error status; `warning` is the window's "Unexpected error"
    kNoStatus,       // a reply too short for a status, or "bb" out of place
    kUpload,         // the upload file could not be read
    kGeometry,       // the reply's geometry cannot be shown
    kPicture,        // the fetched picture does not match its header
  };
  Kind kind = Kind::kCheck;
  int tab = -1;
  app::Warning warning;       // title and text for a message box, where there is one
  std::uint8_t command = 0;   // the command that failed (exchanges only)
  std::uint8_t status = 0;    // for kStatus
  std::string detail;         // what went wrong, for kProtocolError, kPicture, kTimeout, kLinkLost

  // One line for a person at a terminal, naming the command and what the
  // failure means.
  std::string Describe() const;
};

struct BuildResult {
  std::optional<BuildFailure> failure;
  // Set once the series succeeded (even when the fetch then fails).
  std::optional<ReplyGeometry> geometry;
  ScrollValues scroll{};
  UsageTexts usage;
  PixelSize pixel_size{};  // from the geometry
  std::string width_text;  // in inches, empty without a resolution
  std::string height_text;
  // Set once the whole picture arrived and matched its header.
  std::optional<Bytes> picture;
  output::BmpShape picture_shape;

  bool ok() const { return !failure; }
};

class BuildDriver {
 public:
  explicit BuildDriver(link::CommandExchange& exchange, BuildProgress progress = {})
      : exchange_(exchange), progress_(std::move(progress)) {}

  BuildResult Build(const BuildRequest& request);

 private:
  std::optional<BuildFailure> SendSeries(const GenerationChoices& choices, Bytes* last_reply);
  std::optional<BuildFailure> Upload(const std::string& path);
  std::optional<BuildFailure> Fetch(const BuildRequest& request, BuildResult& result);
  // One exchange judged by its status; the reply in `reply`.
  std::optional<BuildFailure> Exchange(const Bytes& message, Bytes* reply);
  std::optional<BuildFailure> Judge(std::uint8_t code, link::ExchangeOutcome outcome, Bytes* reply);
  void Step(BuildStage stage);

  link::CommandExchange& exchange_;
  BuildProgress progress_;
  std::uint64_t done_ = 0;
  std::uint64_t total_ = 0;
  std::uint8_t last_command_ = 0;
};

// How many exchanges the series takes (an upload counts one per piece).
std::uint64_t SeriesExchanges(const std::vector<SeriesStep>& series);

}  // namespace tessellux::generate
