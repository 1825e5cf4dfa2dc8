#pragma once

// One symbol's build as a step machine, the same for the window and the
// command line: the checks, the command series with the upload, the
// geometry read from the last reply, and the fetch of the picture. It never
// waits: it says which message to send next and takes each exchange's
// outcome, so the window can drive it from its socket's signals and the
// command line from a blocking socket (BuildDriver).
//
//   BuildRun run(request);
//   for (auto message = run.Start(); message; message = run.Next(Exchange(*message))) {}
//   BuildResult result = std::move(run).Result();

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "generate/build_request.h"
#include "generate/build_result.h"
#include "generate/command_series.h"
#include "link/exchange.h"
#include "link/file_upload.h"

namespace tessellux::generate {

enum class BuildStage { kSending, kFetching };

class BuildRun {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;

  // `clock` times the fetch (tests pass their own); empty: the steady clock.
  explicit BuildRun(BuildRequest request, Clock clock = {});
  ~BuildRun();
  BuildRun(const BuildRun&) = delete;
  BuildRun& operator=(const BuildRun&) = delete;

  // Runs the checks and prepares the upload; the first message to send, or
  // nothing when the build ended before anything was sent.
  std::optional<Bytes> Start();
  // Takes the outcome of the last message's exchange; the next message, or
  // nothing when the build has ended.
  std::optional<Bytes> Next(link::ExchangeOutcome outcome);

  // Asks the build to end: the exchange under way is let finish (the
  // protocol has no way to take a command back), its reply is not used, and
  // the build ends as stopped. Nothing is written; the previous picture stays.
  void Stop() { stop_requested_ = true; }

  // How long fetching a picture `rows` high may take: ample per row, with a
  // floor for small pictures. A fetch past it ends as expired.
  static std::chrono::milliseconds FetchAllowance(int rows);

  bool Ended() const { return phase_ == Phase::kEnded; }
  // Progress: `Done()` of `Total()` exchanges of the current stage.
  BuildStage Stage() const { return stage_; }
  std::uint64_t Done() const { return done_; }
  std::uint64_t Total() const { return total_; }

  // What the build gave; results up to a failure are filled in.
  const BuildResult& Result() const& { return result_; }
  BuildResult Result() && { return std::move(result_); }

 private:
  enum class Phase { kIdle, kSeries, kUpload, kHeader, kRows, kEnded };

  std::optional<Bytes> SendNextStep();
  std::optional<Bytes> NextUploadPiece();
  std::optional<Bytes> AfterSeries(const Bytes& last_reply);
  std::optional<Bytes> AfterHeader(const Bytes& reply);
  std::optional<Bytes> AfterRow(link::ExchangeOutcome outcome);
  std::optional<Bytes> Send(Bytes message);
  std::optional<Bytes> End(std::optional<BuildFailure> failure = std::nullopt);
  BuildFailure StoppedFailure() const;
  BuildFailure ExpiredFailure() const;
  // "12 of 300 rows of the symbol picture" once fetching, else empty.
  std::string RowsFetched() const;
  // The outcome judged by its status; the reply on success.
  std::optional<BuildFailure> Judge(link::ExchangeOutcome& outcome) const;

  BuildRequest request_;
  Clock clock_;
  BuildResult result_;
  Phase phase_ = Phase::kIdle;
  std::vector<SeriesStep> series_;
  std::size_t next_step_ = 0;
  std::optional<link::FileUpload> upload_;
  ReplyGeometry geometry_{};
  std::optional<output::PictureAssembly> picture_;
  std::uint8_t last_command_ = 0;
  BuildStage stage_ = BuildStage::kSending;
  std::uint64_t done_ = 0;
  std::uint64_t total_ = 0;
  bool stop_requested_ = false;
  std::chrono::steady_clock::time_point fetch_deadline_{};
};

// How many exchanges the series takes (an upload counts one per piece).
std::uint64_t SeriesExchanges(const std::vector<SeriesStep>& series);

}  // namespace tessellux::generate
