#include "cli/batch.h"

#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "cli/asio_link.h"
#include "cli/json.h"
#include "cli/symbol_job.h"

namespace tessellux::cli {
namespace {

constexpr auto kConnectTimeout = std::chrono::milliseconds(3000);
// A symbol holds at most a few MiB; a line beyond this cannot be one.
constexpr std::size_t kMaxLineBytes = std::size_t{64} << 20;

class Batch {
 public:
  Batch(const ToolOptions& tool, std::istream& lines, std::ostream& out, std::ostream& err)
      : tool_(tool), lines_(lines), out_(out), err_(err) {}

  void Work(const std::string& host) {
    std::unique_ptr<AsioLink> link;
    while (auto line = NextLine()) {
      JobReport report = Build(line->first, line->second, host, link);
      report.line = line->first;
      Report(report);
    }
  }

  int ExitCode() const { return failed_ == 0 ? kExitOk : kExitBuildFailed; }
  int built() const { return built_; }
  int failed() const { return failed_; }

 private:
  // The next line that is not blank; a line over kMaxLineBytes is cut
  // there (and so refused as JSON), its rest skipped.
  std::optional<std::pair<int, std::string>> NextLine() {
    std::lock_guard lock(input_mutex_);
    std::string text;
    while (ReadLine(text)) {
      ++line_number_;
      if (text.find_first_not_of(" \t\r") != std::string::npos) return std::make_pair(line_number_, text);
    }
    return std::nullopt;
  }

  bool ReadLine(std::string& text) {
    text.clear();
    std::streambuf* in = lines_.rdbuf();
    int c = in->sbumpc();
    if (c == std::char_traits<char>::eof()) return false;
    for (; c != std::char_traits<char>::eof() && c != '\n'; c = in->sbumpc()) {
      if (text.size() < kMaxLineBytes) text.push_back(static_cast<char>(c));
    }
    return true;
  }

  JobReport Build(int number, const std::string& text, const std::string& host, std::unique_ptr<AsioLink>& link) {
    generate::BuildRequest request;
    SymbolOptions options;
    try {
      std::string error;
      const auto object = ParseFlatObject(text, &error);
      if (!object) return FailedJob(kExitUsage, "not a JSON object: " + error, number);
      options = ApplyBatchLine(tool_.symbol, *object);
      request = MakeBuildRequest(options);
    } catch (const UsageError& error) {
      return FailedJob(kExitUsage, error.what(), number);
    }
    if (!link || !link->Connected()) {
      std::string error;
      link = AsioLink::Connect(host, tool_.port, kConnectTimeout, &error);
      if (!link) return FailedJob(kExitNoCodeGenerator, error, number);
    }
    JobReport report = RunJob(*link, std::move(request), options.output, options.dpi, {}, options.paper);
    if (report.link_broken) link.reset();
    return report;
  }

  void Report(const JobReport& report) {
    std::lock_guard lock(output_mutex_);
    (report.exit_code == kExitOk ? built_ : failed_)++;
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
  int line_number_ = 0;
  int built_ = 0;
  int failed_ = 0;
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
  err << "tessellux-build: " << batch.built() << " of " << batch.built() + batch.failed() << " symbols built\n";
  return batch.ExitCode();
}

}  // namespace tessellux::cli
