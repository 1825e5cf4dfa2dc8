#pragma once

// The little JSON the batch file needs: one flat object per line whose
// values are strings, numbers, true, false or null. The reader is strict
// (RFC 8259 grammar, no trailing commas or comments, no duplicate keys);
// anything else is refused with the position and the reason.

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "cmdline/cmdline.h"

namespace tessellux::cli {

struct JsonScalar {
  enum class Kind { kString, kNumber, kTrue, kFalse, kNull } kind = Kind::kNull;
  std::string text;  // the string (UTF-8), or the number as written
};

using JsonObject = std::map<std::string, JsonScalar>;

// Parses `line` as one object; nothing (and `error` says why) otherwise.
std::optional<JsonObject> ParseFlatObject(std::string_view line, std::string* error);

// `text` as a JSON string literal, quotes included: one escaper for every tool.
using cmdline::JsonString;

}  // namespace tessellux::cli
