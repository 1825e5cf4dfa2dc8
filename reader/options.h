#pragma once

// tessellux-read's command line.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "cmdline/cmdline.h"
#include "symbol/types.h"

namespace tessellux::reader {

struct Options {
  std::string path;
  symbol::ReaderKeys keys;
  std::optional<std::filesystem::path> out;
  bool verbose = false;
  bool quiet = false;  // nothing on stdout: the exit code tells
  bool json = false;  // one JSON object per symbol instead of the text fields
  bool all = false;  // every symbol on the picture, not only the largest
  bool help = false;
  bool version = false;
};

// What was wrong with the command line, in one sentence naming the culprit.
struct UsageError {
  std::string message;
};

// Options as the table lists them, with GNU conventions. Secrets not given
// come from their files, else from TESSELLUX_SECRET_PHRASE and
// TESSELLUX_SECOND_PHRASE.
std::variant<Options, UsageError> ParseOptions(const std::vector<std::string_view>& args);

const cmdline::Program& ReaderProgram();

}  // namespace tessellux::reader
