#include "reader/options.h"

#include <cstdlib>

namespace tessellux::reader {

const cmdline::Program& ReaderProgram() {
  static const cmdline::Program program{
      "tessellux-read",
      {"[OPTIONS] PICTURE", "--help | --version"},
      "Reads a Tessellux symbol and prints what it holds. PICTURE is the symbol's\n"
      "own BMP file, or a scan or photo of a printed page (PNG, JPEG, TIFF, BMP),\n"
      "at any angle, upright or mirrored; - reads standard input. A carried file\n"
      "is written into DIR, which must exist, as tessellux-file.jpg, .zip or .bin.\n"
      "Texts are printed on one line each: a backslash is shown as \\\\, line breaks\n"
      "and tabs as \\n, \\r, \\t, other control characters as \\xHH or \\uHHHH.",
      {
          {"Keys",
           {
               {"company", 0, "NAME", "company name (default: the one the symbol names)"},
               {"secret-phrase", 0, "P", "the company's secret phrase, for company-private symbols\n"
                                         "(other users see it in ps: prefer the file or\n"
                                         "TESSELLUX_SECRET_PHRASE)"},
               {"secret-phrase-file", 0, "FILE", "the secret phrase from a file (one line; - is stdin)"},
               {"second-phrase", 0, "P", "this reader's serial number (unique authorizations) or the\n"
                                         "previous secret phrase (cascaded); also TESSELLUX_SECOND_PHRASE",
                "serial old-phrase"},
               {"second-phrase-file", 0, "FILE", "the second phrase from a file (one line; - is stdin)"},
           }},
          {"Output",
           {
               {"output", 'o', "DIR", "an existing folder to write a carried file into", "out"},
               {"verbose", 'v', nullptr, "also print where the symbol lies, its grade and a map\n"
                                         "of the blocks, damaged ones marked"},
               {"quiet", 'q', nullptr, "print nothing on stdout; the exit code tells"},
               {"all", 0, nullptr, "read every symbol on the picture, not only the largest"},
               {"json", 0, nullptr, "print one JSON object per symbol (read or not), or per\n"
                                    "failure, instead"},
           }},
          {"Program",
           {
               {"help", 'h', nullptr, "print this text"},
               {"version", 'V', nullptr, "print the program and symbol format versions"},
           }},
      },
      {"tessellux-read symbol.bmp",
       "tessellux-build --host H --url U -o - | tessellux-read -",
       "pass show acme | tessellux-read --company Acme --secret-phrase-file - scan.png",
       "tessellux-read -v --all -o carried/ page.jpg"},
      "Exit codes: 0 read, 1 unreadable or damaged beyond correction, 2 usage error,\n"
      "            3 key missing or wrong, 4 the carried file could not be written\n"
      "            (the --output folder included).\n"};
  return program;
}

namespace {

// A phrase: as given, else from its file, else from the environment.
std::string Phrase(const std::optional<std::string>& given, const std::optional<std::string>& file,
                   const char* file_option, const char* variable) {
  if (given) return *given;
  if (file) return cmdline::ReadPhrase(file_option, *file);
  if (const char* value = std::getenv(variable)) return value;
  return {};
}

}  // namespace

std::variant<Options, UsageError> ParseOptions(const std::vector<std::string_view>& args) {
  Options options;
  std::optional<std::string> phrase, phrase_file, second, second_file;
  try {
    const auto parsed = cmdline::Parse(ReaderProgram(), std::vector<std::string>(args.begin(), args.end()));
    for (const auto& given : parsed.options) {
      const std::string& name = given.name;
      const std::string value = given.value.value_or("");
      if (name == "help") options.help = true;
      else if (name == "version") options.version = true;
      else if (name == "verbose") options.verbose = true;
      else if (name == "quiet") options.quiet = true;  // and no --verbose map either
      else if (name == "all") options.all = true;
      else if (name == "json") options.json = true;
      else if (name == "company") options.keys.company = value;
      else if (name == "secret-phrase") phrase = value;
      else if (name == "secret-phrase-file") phrase_file = value;
      else if (name == "second-phrase") second = value;
      else if (name == "second-phrase-file") second_file = value;
      else if (name == "output") options.out = value;
    }
    if (options.quiet) options.verbose = false;
    if (options.help || options.version) return options;
    if (parsed.operands.size() > 1) return UsageError{"more than one picture given: '" + parsed.operands[1] + "'"};
    if (parsed.operands.empty()) return UsageError{"no symbol picture given (give its file, or - for stdin)"};
    options.path = parsed.operands.front();
    const int stdin_readers = (options.path == "-") + (phrase_file == "-") + (second_file == "-");
    if (stdin_readers > 1) return UsageError{"standard input (-) can be read for only one of PICTURE and the phrase files"};
    options.keys.phrase = Phrase(phrase, phrase_file, "--secret-phrase-file", "TESSELLUX_SECRET_PHRASE");
    // One second phrase: the symbol's mode says whether it is a serial number or the old phrase.
    const std::string second_phrase = Phrase(second, second_file, "--second-phrase-file", "TESSELLUX_SECOND_PHRASE");
    options.keys.serial = second_phrase;
    options.keys.old_phrase = second_phrase;
  } catch (const cmdline::UsageError& error) {
    return UsageError{error.what()};
  }
  return options;
}

}  // namespace tessellux::reader
