#include "codegen/encode_command.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "cmdline/cmdline.h"

#include "codegen/cli_args.h"
#include "codegen/service_options.h"
#include "codegen/session.h"

namespace tessellux::codegen {
namespace {

using symbol::SecurityMode;

constexpr std::size_t kMaxInputFile = std::size_t{16} << 20;

std::optional<SecurityMode> ParseMode(const std::string& name) {
  if (name == "public") return SecurityMode::Public;
  if (name == "private") return SecurityMode::Private;
  if (name == "universal") return SecurityMode::Universal;
  if (name == "unique") return SecurityMode::Unique;
  if (name == "cascaded") return SecurityMode::Cascaded;
  return std::nullopt;
}

// Layout options: one byte each, as the layout command carries them.
std::string ApplyLayout(const std::string& name, const std::string& value, symbol::Layout& layout) {
  if (name == "style") {
    if (value != "lines" && value != "dots") return "--style is lines or dots";
    layout.style = value == "lines" ? symbol::Style::Lines : symbol::Style::Dots;
    return {};
  }
  const auto number = ParseNumber(value, 0, 255);
  if (!number) return "--" + name + " needs a number from 0 to 255, not \"" + value + "\"";
  const int n = static_cast<int>(*number);
  if (name == "rows") layout.rows = n;
  else if (name == "columns") layout.cols = n;
  else if (name == "reserved") layout.reserved = n;
  else if (name == "error-correction") layout.reserved = 2 * n;  // correctable bytes: two parity bytes each
  else if (name == "grid") layout.grid = n;
  else layout.thickness = n;
  return {};
}

std::string ApplyContent(const std::string& name, const std::string& value, EncodeOptions& options,
                         std::optional<std::string> (&phrase_files)[2]) {
  auto& content = options.request.content;
  auto& security = options.request.security;
  if (name == "text") {
    content.text = value;
  } else if (name == "text-file") {
    content.text = cmdline::ReadText("--text-file", value, kMaxInputFile);
  } else if (name == "file") {
    content.file = ToBytes(cmdline::ReadText("--file", value, kMaxInputFile));
  } else if (name == "security") {
    const auto mode = ParseMode(value);
    if (!mode) return "--security is public, private, universal, unique or cascaded, not \"" + value + "\"";
    security.mode = *mode;
  } else if (name == "company") {
    security.company = value;
  } else if (name == "tag") {
    security.tag = value;
  } else if (name == "secret-phrase") {
    security.phrase = value;
  } else if (name == "second-phrase") {
    security.second = value;
  } else if (name == "secret-phrase-file") {
    phrase_files[0] = value;
  } else if (name == "second-phrase-file") {
    phrase_files[1] = value;
  } else if (name == "max-bitmap-mib") {
    const auto mib = ParseNumber(value, 1, kMaxBitmapMib);
    if (!mib) {
      return "--max-bitmap-mib needs a number from 1 to 4095 (a BMP file stays below 4 GiB), not \"" + value + "\"";
    }
    options.limits.max_bitmap_bytes = static_cast<std::size_t>(*mib) << 20;
  } else {
    options.output = value;
  }
  return {};
}

// Phrases not given come from their files, else from the environment.
void FillPhrases(symbol::Security& security, const std::optional<std::string> (&files)[2]) {
  std::string* phrases[2] = {&security.phrase, &security.second};
  const char* options[2] = {"--secret-phrase-file", "--second-phrase-file"};
  const char* variables[2] = {"TESSELLUX_SECRET_PHRASE", "TESSELLUX_SECOND_PHRASE"};
  for (int i = 0; i < 2; ++i) {
    if (!phrases[i]->empty()) continue;
    if (files[i]) *phrases[i] = cmdline::ReadPhrase(options[i], *files[i]);
    else if (const char* value = std::getenv(variables[i])) *phrases[i] = value;
  }
}

std::string CheckSecurity(const symbol::Security& security) {
  if (security.mode == SecurityMode::Public) return {};
  if (security.company.empty()) return "this mode needs --company";
  if (security.phrase.empty()) {
    return "this mode needs --secret-phrase-file FILE, TESSELLUX_SECRET_PHRASE or --secret-phrase";
  }
  if (security.mode == SecurityMode::Unique && !LooksLikeSerialNumber(security.second)) {
    return "unique needs the reader's serial number ####-####-#### as --second-phrase (or --serial)";
  }
  if (security.mode == SecurityMode::Cascaded && security.second.empty()) {
    return "cascaded needs the old phrase as --second-phrase-file FILE, TESSELLUX_SECOND_PHRASE or --second-phrase";
  }
  return {};
}

bool IsLayoutOption(const std::string& name) {
  return name == "rows" || name == "columns" || name == "reserved" || name == "error-correction" ||
         name == "grid" || name == "thickness" || name == "style";
}

}  // namespace

const cmdline::Program& EncodeProgram() {
  static const cmdline::Program program{
      "tessellux-codegen encode",
      {"[OPTIONS] -o OUT.bmp"},
      "Builds one symbol straight to a BMP file, without the network.",
      {
          {"Layout (as the layout command; 0 = automatic)",
           {
               {"rows", 0, "N", "block rows (0, 1, 2, 4, ... 254; default 0)"},
               {"columns", 0, "N", "block columns (0, 1, 2, 4, ... 254; default 0)", "cols"},
               {"error-correction", 0, "N", "correctable bytes per 48-byte group (0 or 2..17; default 0)"},
               {"reserved", 0, "N", "the same as parity bytes, twice as many (0 or 4, 6, ... 34)"},
               {"grid", 0, "N", "pixels per cell, 3..128 (default 8)"},
               {"style", 0, "STYLE", "lines or dots (default lines)"},
               {"thickness", 0, "N", "line thickness or dot size, 1..8 (default 2)"},
           }},
          {"Content",
           {
               {"text", 0, "TEXT", "data text (UTF-8)"},
               {"text-file", 0, "FILE", "data text from a file (any readable path; - is stdin)"},
               {"file", 0, "FILE", "JPEG or ZIP file to carry"},
           }},
          {"Security",
           {
               {"security", 0, "MODE", "public, private, universal, unique or cascaded (default public)", "mode"},
               {"temporary", 0, nullptr, "a temporary authorization"},
               {"company", 0, "NAME", "company name"},
               {"tag", 0, "TAG", "identification tag"},
               {"secret-phrase", 0, "P", "the secret phrase (also TESSELLUX_SECRET_PHRASE)"},
               {"secret-phrase-file", 0, "FILE", "the secret phrase from a file (one line)"},
               {"second-phrase", 0, "P", "serial number ####-####-#### (unique) or old phrase (cascaded);\n"
                                         "also TESSELLUX_SECOND_PHRASE",
                "serial old-phrase"},
               {"second-phrase-file", 0, "FILE", "the second phrase from a file (one line)"},
               {"max-bitmap-mib", 0, "N", "largest bitmap in MiB, 1..4095 (default 64)"},
           }},
          {"Output",
           {
               {"output", 'o', "OUT", "the file to write; its folder must exist; - is standard output", "out"},
               {"help", 'h', nullptr, "this text"},
           }},
      },
      {"tessellux-codegen encode --text hello --grid 4 -o hello.bmp"},
      "Exit codes: 0 written (or --help), 1 cannot build (data too large for the size, bitmap\n"
      "over the limit, layout out of range), 2 bad options, 3 cannot write. Errors go to stderr.\n"};
  return program;
}

std::variant<EncodeOptions, std::string> ParseEncodeOptions(const std::vector<std::string>& args) {
  EncodeOptions options;
  std::optional<std::string> phrase_files[2];
  try {
    const auto parsed = cmdline::Parse(EncodeProgram(), args);
    if (!parsed.operands.empty()) return "unexpected argument \"" + parsed.operands.front() + "\"";
    for (const auto& given : parsed.options) {
      if (given.name == "help") {
        options.help = true;
        continue;
      }
      if (given.name == "temporary") {
        options.request.security.temporary = true;
        continue;
      }
      const std::string& value = *given.value;
      const std::string error = IsLayoutOption(given.name)
                                    ? ApplyLayout(given.name, value, options.request.layout)
                                    : ApplyContent(given.name, value, options, phrase_files);
      if (!error.empty()) return error;
    }
    if (options.help) return options;
    FillPhrases(options.request.security, phrase_files);
  } catch (const cmdline::UsageError& error) {
    return std::string(error.what());
  }
  if (options.output.empty()) return std::string("no output file: give -o OUT.bmp");
  if (std::string missing = options.output == "-" ? "" : MissingFolder(options.output); !missing.empty()) {
    return "cannot write " + options.output + ": " + missing;
  }
  if (std::string error = CheckSecurity(options.request.security); !error.empty()) return error;
  return options;
}

std::string EncodeUsage() { return cmdline::HelpText(EncodeProgram()); }

}  // namespace tessellux::codegen
