// tessellux-build: builds Tessellux symbols with a Code Generator from the
// command line, one or a batch of many, the way the window builds them.

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>

#include "app/product.h"
#include "cli/asio_link.h"
#include "cli/batch.h"
#include "cli/command_line_text.h"
#include "cli/interrupt.h"
#include "cli/options.h"
#include "cli/progress_bar.h"
#include "cli/symbol_job.h"
#include "link/discovery.h"

namespace {

using namespace tessellux::cli;

// A failure before any build: one JSON object on stdout with --json, else a
// line on stderr.
int Fail(bool json, int code, const std::string& message) {
  if (json) {
    std::cout << JsonReport(FailedJob(code, message)) << std::flush;
  } else {
    std::cerr << "tessellux-build: " << message << "\n";
  }
  return code;
}

// The Code Generators to use: --host as given, else the one discovery finds.
std::optional<std::vector<std::string>> Hosts(const ToolOptions& tool, std::string* error) {
  if (!tool.hosts.empty()) return tool.hosts;
  const std::string address = tool.discovery_address.value_or(tessellux::link::kDefaultDiscoveryAddress);
  const auto found = Discover(address, tool.port, std::chrono::seconds(tool.discovery_timeout_s), error);
  if (!found) {
    *error += " (start a Code Generator on this network, or give its --host and --port)";
    return std::nullopt;
  }
  return std::vector<std::string>{found->host};
}

int BuildOne(const ToolOptions& tool, const std::string& host) {
  tessellux::generate::BuildRequest request;
  try {
    request = MakeBuildRequest(tool.symbol);
  } catch (const UsageError& error) {
    return Fail(tool.json, kExitUsage, error.what());
  }
  std::string error;
  auto link = AsioLink::Connect(host, tool.port, std::chrono::milliseconds(3000), &error);
  if (!link) return Fail(tool.json, kExitNoCodeGenerator, ConnectionHint(error, host, tool.port));
  ProgressBar bar(!tool.json && !tool.quiet && ::isatty(STDERR_FILENO));
  const JobReport report = RunJob(*link, std::move(request), tool.symbol.output, tool.symbol.format,
                                  tool.symbol.dpi,
                                  [&bar](tessellux::generate::BuildStage stage, std::uint64_t done, std::uint64_t total) {
                                    bar.Show(stage, done, total);
                                  },
                                  tool.symbol.paper);
  bar.Clear();
  // The picture itself may be on stdout: the report then goes to stderr.
  std::ostream& out = tool.symbol.output == "-" ? std::cerr : std::cout;
  if (tool.json) {
    out << JsonReport(report);
  } else if (report.exit_code != kExitOk) {
    std::cerr << "tessellux-build: " << TextReport(report, tool.format);
  } else if (!tool.quiet) {
    out << TextReport(report, tool.format);
  }
  return report.exit_code;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  ToolOptions tool;
  try {
    tool = ParseCommandLine(args);
  } catch (const UsageError& error) {
    const bool json = std::find(args.begin(), args.end(), "--json") != args.end();
    return Fail(json, kExitUsage,
                std::string(error.what()) + (json ? "" : "\n" + tessellux::cmdline::HelpHint(BuildProgram())));
  }
  if (tool.help) {
    std::cout << tessellux::cmdline::HelpText(BuildProgram());
    return kExitOk;
  }
  if (tool.version) {
    std::cout << "tessellux-build " << tessellux::app::kVersionMajor << "." << tessellux::app::kVersionMinor << "\n";
    return kExitOk;
  }
  std::ifstream file;
  if (tool.batch && *tool.batch != "-") {
    file.open(*tool.batch);
    if (!file) return Fail(tool.json, kExitUsage, "--batch " + *tool.batch + ": cannot be read");
  }
  if (tool.symbol.secret_phrase || tool.symbol.second_phrase) {
    std::cerr << "tessellux-build: warning: a phrase on the command line can be read by other users of this "
                 "machine (ps, /proc); give it with --secret-phrase-file FILE or --second-phrase-file FILE, or in "
                 "TESSELLUX_SECRET_PHRASE or TESSELLUX_SECOND_PHRASE\n";
  }
  CatchInterrupts();
  std::string error;
  const auto hosts = Hosts(tool, &error);
  if (!hosts) return Fail(tool.json, kExitNoCodeGenerator, error);
  if (tool.batch) return RunBatch(tool, *hosts, *tool.batch == "-" ? std::cin : file, std::cout, std::cerr);
  return BuildOne(tool, hosts->front());
}
