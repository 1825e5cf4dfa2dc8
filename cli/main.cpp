// tessellux-build: builds Tessellux symbols with a Code Generator from the
// command line, one or a batch of many, the way the window builds them.

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iostream>

#include "app/product.h"
#include "cli/asio_link.h"
#include "cli/batch.h"
#include "cli/interrupt.h"
#include "cli/options.h"
#include "cli/progress_bar.h"
#include "cli/symbol_job.h"
#include "link/discovery.h"

namespace {

using namespace tessellux::cli;

int Fail(int code, const std::string& message) {
  std::cerr << "tessellux-build: " << message << "\n";
  return code;
}

// The Code Generators to use: --host as given, else the one discovery finds.
std::optional<std::vector<std::string>> Hosts(const ToolOptions& tool, std::string* error) {
  if (!tool.hosts.empty()) return tool.hosts;
  const std::string address = tool.discovery_address.value_or(tessellux::link::kDefaultDiscoveryAddress);
  const auto found = Discover(address, tool.port, std::chrono::seconds(tool.discovery_timeout_s), error);
  if (!found) return std::nullopt;
  return std::vector<std::string>{found->host};
}

int BuildOne(const ToolOptions& tool, const std::string& host) {
  tessellux::generate::BuildRequest request;
  try {
    request = MakeBuildRequest(tool.symbol);
  } catch (const UsageError& error) {
    return Fail(kExitUsage, error.what());
  }
  std::string error;
  auto link = AsioLink::Connect(host, tool.port, std::chrono::milliseconds(3000), &error);
  if (!link) return Fail(kExitNoCodeGenerator, error);
  ProgressBar bar(!tool.json && ::isatty(STDERR_FILENO));
  const JobReport report = RunJob(*link, std::move(request), tool.symbol.output, tool.symbol.dpi,
                                  [&bar](tessellux::generate::BuildStage stage, std::uint64_t done, std::uint64_t total) {
                                    bar.Show(stage, done, total);
                                  },
                                  tool.symbol.paper);
  bar.Clear();
  if (tool.json) {
    std::cout << JsonReport(report);
  } else if (report.exit_code == kExitOk) {
    std::cout << TextReport(report, tool.format);
  } else {
    std::cerr << "tessellux-build: " << TextReport(report, tool.format);
  }
  return report.exit_code;
}

}  // namespace

int main(int argc, char** argv) {
  ToolOptions tool;
  try {
    tool = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const UsageError& error) {
    return Fail(kExitUsage, std::string(error.what()) + "\n(tessellux-build --help lists the options)");
  }
  if (tool.help) {
    std::cout << kUsageText;
    return kExitOk;
  }
  if (tool.version) {
    std::cout << "tessellux-build " << tessellux::app::kVersionMajor << "." << tessellux::app::kVersionMinor << "\n";
    return kExitOk;
  }
  std::ifstream file;
  if (tool.batch && *tool.batch != "-") {
    file.open(*tool.batch);
    if (!file) return Fail(kExitUsage, "--batch " + *tool.batch + ": cannot be read");
  }
  if (tool.symbol.secret_phrase || tool.symbol.second_phrase) {
    std::cerr << "tessellux-build: warning: a phrase on the command line can be read by other users of this "
                 "machine (ps, /proc); give it with --secret-phrase-file FILE or --second-phrase-file FILE, or in "
                 "TESSELLUX_SECRET_PHRASE or TESSELLUX_SECOND_PHRASE\n";
  }
  CatchInterrupts();
  std::string error;
  const auto hosts = Hosts(tool, &error);
  if (!hosts) return Fail(kExitNoCodeGenerator, error);
  if (tool.batch) return RunBatch(tool, *hosts, *tool.batch == "-" ? std::cin : file, std::cout, std::cerr);
  return BuildOne(tool, hosts->front());
}
