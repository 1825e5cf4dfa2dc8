#pragma once

// tessellux-build's options: the symbol's choices (the same on the command
// line and in a batch line) and how to reach the Code Generator.

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/json.h"
#include "cmdline/cmdline.h"
#include "generate/build_driver.h"
#include "geometry/style.h"
#include "output/paper.h"
#include "pictures/jpeg_recompress.h"
#include "security/security_mode.h"

namespace tessellux::cli {

// A bad command line or batch line; the message names the option and value.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The output's kind: by --format, else by the name's extension.
enum class OutputKind { kBmp, kPng, kPdf };

// One symbol's choices, as given.
struct SymbolOptions {
  std::optional<std::string> url, text, text_file, jpeg, zip, emboss;
  int quality = pictures::kDefaultQuality;
  geometry::Style style = geometry::Style::kLines;
  int grid = 8;
  int thickness = 2;
  std::optional<int> rows, columns, error_correction;
  bool mirror = false;
  security::SecurityMode security = security::SecurityMode::Public;
  bool temporary = false;
  std::string tag;
  std::optional<std::string> secret_phrase, secret_phrase_file, second_phrase, second_phrase_file;
  double dpi = 600;
  std::optional<output::PaperChoice> paper;  // a PDF's; nothing: the system's default sheet
  std::string output;  // "-": standard output
  std::optional<OutputKind> format;
};

// How numbers are written in the reports for a person.
struct NumberFormat {
  std::string group_separator = ",";
  std::string decimal_point = ".";
};

struct ToolOptions {
  SymbolOptions symbol;
  std::vector<std::string> hosts;
  int port = 8877;
  std::optional<std::string> discovery_address;
  int discovery_timeout_s = 5;
  std::optional<std::string> batch;
  int jobs = 1;
  bool json = false;
  bool quiet = false;  // failures only
  NumberFormat format;
  bool help = false;
  bool version = false;
};

// Parses argv (without the program name). Throws UsageError.
ToolOptions ParseCommandLine(const std::vector<std::string>& args);

// Applies one batch line's keys (option names without dashes; "o" or
// "output" for the output) on top of `defaults`. Throws UsageError.
SymbolOptions ApplyBatchLine(const SymbolOptions& defaults, const JsonObject& line);

// What the driver needs: reads the text and secret files, takes secrets
// from the environment when not given, checks every value's range and
// picks the data choice. Throws UsageError.
generate::BuildRequest MakeBuildRequest(const SymbolOptions& options);

// `format` if given, else by the extension (BMP for "-"); throws
// UsageError for others.
OutputKind OutputKindOf(const std::string& path, std::optional<OutputKind> format = {});

// The options, for parsing, --help and the manual page's check.
const cmdline::Program& BuildProgram();

}  // namespace tessellux::cli
