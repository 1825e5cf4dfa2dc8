#include "cli/batch.h"

#include <algorithm>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "cli/asio_link.h"
#include "cli/command_line_text.h"
#include "cli/interrupt.h"
#include "cli/json.h"
#include "cli/symbol_job.h"
#include "cli/write_queue.h"
#include "protocol/block_geometry.h"
#include "protocol/codes.h"

namespace tessellux::cli {
namespace {

constexpr auto kConnectTimeout = std::chrono::milliseconds(3000);
// Everything the largest symbol holds, each byte written as a six-character
// JSON escape, plus room for paths and options: a longer line cannot be a
// symbol, and is refused without being held.
constexpr std::size_t kMaxLineBytes =
    6 * std::size_t{protocol::kMaxBlocksPerSide} * protocol::kMaxBlocksPerSide * protocol::kBytesPerBlock +
    (std::size_t{64} << 10);

// Flushes to disk gain from being many at once (the file system commits
// them together): a few writers per connection.
WriteQueue::Limits WriteLimits(int jobs) {
  const int writers = std::clamp(2 * jobs, 4, 16);
  return {.writers = writers, .reports = 2 * static_cast<std::size_t>(writers), .picture_bytes = std::size_t{128} << 20};
}

struct BatchLine {
  int number = 0;
  std::string text;
  bool too_long = false;  // longer than kMaxLineBytes: `text` is empty
};

class Batch {
 public:
  Batch(const ToolOptions& tool, std::istream& lines, std::ostream& out, std::ostream& err)
      : tool_(tool), lines_(lines), out_(out), err_(err),
        written_(WriteLimits(tool.jobs), [this](const JobReport& report) { Report(report); }) {}

  void Work(const std::string& host) {
    std::unique_ptr<AsioLink> link;
    // After Ctrl+C no new line starts; the builds under way stop.
    while (auto line = Interrupted() ? std::nullopt : NextLine()) {
      const bool fresh = !link || !link->Connected();
      BatchLine kept = fresh && !line->too_long ? *line : BatchLine{};
      WriteQueue::Write write;
      JobReport report =
          line->too_long ? TooLong() : Build(line->number, std::move(line->text), host, link, &write);
      // A Code Generator at its limit of connections from this address
      // closes a new one before it reads: this worker leaves its line to the
      // others and stops, unless it is the last.
      if (fresh && RefusedOnArrival(report) && Retire(std::move(kept))) return;
      report.line = line->number;
      written_.HandIn(std::move(report), std::move(write));
    }
  }

  // Every symbol written and reported.
  void Finish() { written_.Finish(); }

  int ExitCode() const {
    if (Interrupted()) return kExitInterrupted;
    return failed_ == 0 ? kExitOk : kExitBuildFailed;
  }
  int built() const { return built_; }
  int failed() const { return failed_; }
  int retired() const { return retired_; }

 private:
  static bool RefusedOnArrival(const JobReport& report) {
    const auto& failure = report.result.failure;
    return failure && failure->kind == generate::BuildFailure::Kind::kLinkLost &&
           failure->command == protocol::Code(protocol::Command::Layout);
  }

  bool Retire(BatchLine line) {
    std::lock_guard lock(input_mutex_);
    if (working_ <= 1) return false;
    --working_;
    ++retired_;
    returned_.push_back(std::move(line));
    return true;
  }

  // The next line that is not blank; lines left by a retired worker first.
  std::optional<BatchLine> NextLine() {
    std::lock_guard lock(input_mutex_);
    if (!returned_.empty()) {
      BatchLine line = std::move(returned_.front());
      returned_.pop_front();
      return line;
    }
    BatchLine line;
    while (ReadLine(line)) {
      line.number = ++line_number_;
      // Editors on some systems start a UTF-8 file with a byte order mark.
      if (line.number == 1 && line.text.starts_with("\xEF\xBB\xBF")) line.text.erase(0, 3);
      if (line.too_long || line.text.find_first_not_of(" \t\r") != std::string::npos) return line;
    }
    return std::nullopt;
  }

  // One line without its end; past kMaxLineBytes the rest is skipped, not kept.
  bool ReadLine(BatchLine& line) {
    line.text.clear();
    line.too_long = false;
    std::streambuf* in = lines_.rdbuf();
    int c = in->sbumpc();
    if (c == std::char_traits<char>::eof()) return false;
    for (; c != std::char_traits<char>::eof() && c != '\n'; c = in->sbumpc()) {
      if (line.too_long) continue;
      if (line.text.size() == kMaxLineBytes) {
        line.too_long = true;
        std::string().swap(line.text);
        continue;
      }
      line.text.push_back(static_cast<char>(c));
    }
    return true;
  }

  static JobReport TooLong() {
    return FailedJob(kExitUsage, "the line is longer than " + std::to_string(kMaxLineBytes >> 20) +
                                     " MiB, more than the largest symbol holds; it was skipped");
  }

  // A symbol file is left to `write` (run by a writer thread); a printed
  // page or standard output is written here, as the window writes them.
  JobReport Build(int number, std::string text, const std::string& host, std::unique_ptr<AsioLink>& link,
                  WriteQueue::Write* write) {
    generate::BuildRequest request;
    SymbolOptions options;
    try {
      std::string error;
      auto object = ParseFlatObject(text, &error);
      std::string().swap(text);  // parsed: not held while the symbol builds
      if (!object) return FailedJob(kExitUsage, "not a JSON object: " + error, number);
      options = ApplyBatchLine(tool_.symbol, *object);
      request = MakeBuildRequest(options);
      ClaimOutput(options.output, number);
    } catch (const UsageError& error) {
      return FailedJob(kExitUsage, error.what(), number);
    }
    if (!link || !link->Connected()) {
      std::string error;
      link = AsioLink::Connect(host, tool_.port, kConnectTimeout, &error);
      if (!link) return FailedJob(kExitNoCodeGenerator, ConnectionHint(error, host, tool_.port), number);
    }
    JobReport report = BuildJob(*link, std::move(request), options.output, options.dpi);
    if (report.link_broken) link.reset();
    if (report.exit_code != kExitOk) return report;
    if (options.output == "-" || OutputKindOf(options.output, options.format) == OutputKind::kPdf) {
      // Standard output also carries the reports: those before go first.
      if (options.output == "-") written_.Drain();
      WriteJobOutput(report, options.format, options.paper);
    } else {
      *write = [format = options.format](JobReport& built) { WriteJobOutput(built, format); };
    }
    return report;
  }

  // Two lines writing one file would overwrite each other unseen.
  void ClaimOutput(const std::string& output, int number) {
    std::lock_guard lock(input_mutex_);
    // A line left by a retired worker claims its output again.
    const auto [claimed, fresh] = outputs_.emplace(output, number);
    if (!fresh && claimed->second != number) {
      throw UsageError("output " + output + " is written by line " + std::to_string(claimed->second) +
                       " already; give each line its own \"output\"");
    }
  }

  void Report(const JobReport& report) {
    std::lock_guard lock(output_mutex_);
    (report.exit_code == kExitOk ? built_ : failed_)++;
    if (tool_.quiet && !tool_.json && report.exit_code == kExitOk) return;
    if (tool_.json) {
      out_ << JsonReport(report) << std::flush;
    } else {
      (report.exit_code == kExitOk ? out_ : err_) << TextReport(report, tool_.format) << std::flush;
    }
  }

  const ToolOptions& tool_;
  std::istream& lines_;
  std::ostream& out_;
  std::ostream& err_;
  std::mutex input_mutex_;
  std::mutex output_mutex_;
  std::deque<BatchLine> returned_;
  std::map<std::string, int> outputs_;  // output file -> the line writing it
  int working_ = tool_.jobs;
  int retired_ = 0;
  int line_number_ = 0;
  int built_ = 0;
  int failed_ = 0;
  // Last: made after what its reports count into, ended before it.
  WriteQueue written_;
};

}  // namespace

int RunBatch(const ToolOptions& tool, const std::vector<std::string>& hosts, std::istream& lines, std::ostream& out,
             std::ostream& err) {
  Batch batch(tool, lines, out, err);
  std::vector<std::thread> workers;
  for (int i = 1; i < tool.jobs; ++i) {
    workers.emplace_back([&, i] { batch.Work(hosts[static_cast<std::size_t>(i) % hosts.size()]); });
  }
  batch.Work(hosts[0]);
  for (auto& worker : workers) worker.join();
  batch.Finish();
  if (tool.quiet && batch.failed() == 0 && !Interrupted()) return batch.ExitCode();
  err << "tessellux-build: " << batch.built() << " of " << batch.built() + batch.failed() << " symbols built";
  if (batch.retired() > 0) {
    err << "; the Code Generator closed " << batch.retired() << " of the " << tool.jobs
        << " connections on arrival (its limit per address), so the lines went over the others";
  }
  err << (Interrupted() ? "; stopped by an interrupt before the rest of the batch\n" : "\n");
  return batch.ExitCode();
}

}  // namespace tessellux::cli
