#pragma once

// One symbol through the build driver and out to its file, and the report
// of it for a person or for a machine.

#include <optional>
#include <string>

#include "cli/interrupt.h"
#include "cli/options.h"
#include "generate/build_driver.h"
#include "link/exchange.h"
#include "output/paper.h"

namespace tessellux::cli {

// 130: stopped by Ctrl+C, as shells report a process ended by SIGINT.
enum ExitCode { kExitOk = 0, kExitBuildFailed = 1, kExitUsage = 2, kExitNoCodeGenerator = 3, kExitInterrupted = 130 };

struct JobReport {
  int exit_code = kExitOk;
  std::string output;
  std::string error;  // one line, empty on success
  generate::BuildResult result;
  double dpi = 0;
  std::optional<int> line;  // batch line number
  std::optional<output::PdfPage> page;  // a PDF's page
  // The link cannot be used for another build (lost, timed out, broken).
  bool link_broken = false;
  generate::SymbolLayout layout;  // for a PDF page's annotations
};

// Builds `request` over `exchange` and writes `output` ("-": standard output)
// as `format` or as its name says (a PDF page at `dpi` on `paper`, by default
// the system's sheet). `stop` is asked after every exchange (default: Ctrl+C
// was pressed).
JobReport RunJob(link::CommandExchange& exchange, generate::BuildRequest request, const std::string& output,
                 std::optional<OutputKind> format, double dpi, const generate::BuildProgress& progress = {},
                 const std::optional<output::PaperChoice>& paper = {},
                 const generate::StopRequested& stop = Interrupted);

// RunJob in two steps, so that a batch can write one symbol while it
// builds the next. BuildJob keeps the picture in the report;
// WriteJobOutput writes it (a failure goes into the report) and drops it.
JobReport BuildJob(link::CommandExchange& exchange, generate::BuildRequest request, const std::string& output,
                   double dpi, const generate::BuildProgress& progress = {},
                   const generate::StopRequested& stop = Interrupted);
void WriteJobOutput(JobReport& report, std::optional<OutputKind> format,
                    const std::optional<output::PaperChoice>& paper = {});

// A report for a failure before any build (a bad option, no connection).
JobReport FailedJob(int exit_code, std::string error, std::optional<int> line = {});

// Several lines for a person (stdout on success; the caller sends an
// error to stderr).
std::string TextReport(const JobReport& report, const NumberFormat& format);
// One JSON object, one line.
std::string JsonReport(const JobReport& report);

}  // namespace tessellux::cli
