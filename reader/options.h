#pragma once

// tessellux-read's command line.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "symbol/types.h"

namespace tessellux::reader {

struct Options {
  std::string path;
  symbol::ReaderKeys keys;
  std::optional<std::filesystem::path> out;
  bool verbose = false;
  bool json = false;  // one JSON object per symbol instead of the text fields
  bool all = false;  // every symbol on the picture, not only the largest
  bool help = false;
  bool version = false;
};

// What was wrong with the command line, in one sentence naming the culprit.
struct UsageError {
  std::string message;
};

// Options as documented in the usage text; "--name value" and
// "--name=value" alike, "--" before a picture whose name starts with "-".
std::variant<Options, UsageError> ParseOptions(const std::vector<std::string_view>& args);

extern const char* const kUsageText;

}  // namespace tessellux::reader
