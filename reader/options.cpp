#include "reader/options.h"

#include <array>

namespace tessellux::reader {

const char* const kUsageText =
    "Usage: tessellux-read PICTURE [--company NAME] [--secret-phrase P]\n"
    "                      [--serial NNNN-NNNN-NNNN] [--old-phrase P] [--out DIR] [--verbose] [--json] [--all]\n"
    "       tessellux-read --help | --version\n"
    "\n"
    "Reads a Tessellux symbol and prints what it holds. PICTURE is the symbol's\n"
    "own BMP file, or a scan or photo of a printed page (PNG, JPEG, TIFF, BMP),\n"
    "at any angle, upright or mirrored; - reads standard input. A carried file\n"
    "is written into DIR, which must exist, as tessellux-file.jpg, .zip or .bin.\n"
    "\n"
    "  --company NAME        company name (default: the one the symbol names)\n"
    "  --secret-phrase P     the company's secret phrase, for company-private symbols\n"
    "  --serial N            this reader's serial number, for unique authorizations\n"
    "  --old-phrase P        the previous secret phrase, for cascaded authorizations\n"
    "  --out DIR             an existing folder to write a carried file into\n"
    "  --verbose             also print where the symbol lies, its grade and a map\n"
    "                        of the blocks, damaged ones marked\n"
    "  --all                 read every symbol on the picture, not only the largest\n"
    "  --json                print one JSON object per symbol (read or not) instead\n"
    "  --help                print this text\n"
    "  --version             print the program and symbol format versions\n"
    "\n"
    "Texts are printed on one line each: a backslash is shown as \\\\, line breaks\n"
    "and tabs as \\n, \\r, \\t, other control characters as \\xHH or \\uHHHH.\n"
    "\n"
    "Exit codes: 0 read, 1 usage error, 2 unreadable or damaged beyond correction,\n"
    "            3 key missing or wrong, 4 the carried file could not be written\n"
    "            (the --out folder included).\n";

namespace {

struct ValueOption {
  std::string_view name;
  void (*set)(Options&, std::string);
};

constexpr std::array<ValueOption, 5> kValueOptions{{
    {"--company", [](Options& o, std::string v) { o.keys.company = std::move(v); }},
    {"--secret-phrase", [](Options& o, std::string v) { o.keys.phrase = std::move(v); }},
    {"--serial", [](Options& o, std::string v) { o.keys.serial = std::move(v); }},
    {"--old-phrase", [](Options& o, std::string v) { o.keys.old_phrase = std::move(v); }},
    {"--out", [](Options& o, std::string v) { o.out = std::move(v); }},
}};

const ValueOption* FindValueOption(std::string_view name) {
  for (const auto& option : kValueOptions)
    if (option.name == name) return &option;
  return nullptr;
}

UsageError Error(std::string message) { return {std::move(message)}; }

}  // namespace

std::variant<Options, UsageError> ParseOptions(const std::vector<std::string_view>& args) {
  Options options;
  bool only_paths = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (only_paths || arg == "-" || !arg.starts_with("-")) {
      if (!options.path.empty()) return Error("more than one picture given: '" + std::string(arg) + "'");
      options.path = arg;
      continue;
    }
    if (arg == "--") {
      only_paths = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") options.help = true;
    else if (arg == "--version") options.version = true;
    else if (arg == "--verbose" || arg == "-v") options.verbose = true;
    else if (arg == "--all") options.all = true;
    else if (arg == "--json") options.json = true;
    else {
      const std::size_t equals = arg.find('=');
      const std::string_view name = arg.substr(0, equals);
      const ValueOption* option = FindValueOption(name);
      if (!option) return Error("unknown option '" + std::string(name) + "'");
      if (equals != std::string_view::npos) {
        option->set(options, std::string(arg.substr(equals + 1)));
      } else if (i + 1 < args.size()) {
        option->set(options, std::string(args[++i]));
      } else {
        return Error("option '" + std::string(name) + "' needs a value");
      }
    }
  }
  if (options.help || options.version) return options;
  if (options.path.empty()) return Error("no symbol picture given");
  return options;
}

}  // namespace tessellux::reader
