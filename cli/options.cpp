#include "cli/options.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>

#include "cli/picture_upload.h"
#include "cmdline/cmdline.h"
#include "app/data_choice.h"
#include "generate/results.h"
#include "generate/unicode.h"
#include "pictures/jpeg_recompress.h"
#include "security/security_controls.h"

namespace tessellux::cli {
namespace {

using security::SecurityMode;

constexpr std::uintmax_t kMaxTextFileBytes = std::uintmax_t{16} << 20;

[[noreturn]] void Bad(const std::string& message) { throw UsageError(message); }

int ParseInt(const std::string& option, const std::string& value, int low, int high, const std::string& meaning) {
  int number = 0;
  const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), number);
  if (ec != std::errc() || end != value.data() + value.size() || number < low || number > high) {
    Bad(option + " " + value + ": " + meaning);
  }
  return number;
}

double ParseDpi(const std::string& value) {
  char* end = nullptr;
  const double dpi = std::strtod(value.c_str(), &end);
  if (value.empty() || *end != '\0' || !(dpi > 0) || dpi > 100000) {
    Bad("--dpi " + value + ": give the printer's dots per inch, a number above 0");
  }
  return dpi;
}

// Strict UTF-8 to UTF-16; nothing for invalid input.
std::optional<std::u16string> Utf16(std::string_view utf8) {
  std::u16string out;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const int extra = lead < 0x80 ? 0 : (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2 : (lead & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0 || i + static_cast<std::size_t>(extra) >= utf8.size()) return std::nullopt;
    std::uint32_t cp = extra == 0 ? lead : extra == 1 ? lead & 0x1F : extra == 2 ? lead & 0x0F : lead & 0x07;
    for (int k = 1; k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]);
      if ((next & 0xC0) != 0x80) return std::nullopt;
      cp = cp << 6 | (next & 0x3F);
    }
    static constexpr std::uint32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kLeast[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000)) return std::nullopt;
    if (cp >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += static_cast<std::size_t>(extra) + 1;
  }
  return out;
}

std::u16string Utf16Or(const std::string& what, const std::string& utf8) {
  auto text = Utf16(utf8);
  if (!text) Bad(what + " is not valid UTF-8");
  return *text;
}

std::string ReadSmallFile(const std::string& option, const std::string& path) {
  try {
    return cmdline::ReadText(option, path, kMaxTextFileBytes);
  } catch (const cmdline::UsageError& error) {
    Bad(error.what());
  }
}

std::string ReadPhraseFile(const std::string& option, const std::string& path) {
  try {
    return cmdline::ReadPhrase(option, path);
  } catch (const cmdline::UsageError& error) {
    Bad(error.what());
  }
}

std::optional<std::string> Phrase(const std::optional<std::string>& given, const std::optional<std::string>& file,
                                  const char* file_option, const char* variable) {
  if (given) return given;
  if (file) return ReadPhraseFile(file_option, *file);
  if (const char* value = std::getenv(variable)) return std::string(value);
  return std::nullopt;
}

using Setter = std::function<void(SymbolOptions&, const std::string&)>;

// The symbol's options; a flag's setter gets an empty value.
const std::map<std::string, std::pair<bool, Setter>>& SymbolSetters() {
  static const std::map<std::string, std::pair<bool, Setter>> setters = {
      {"url", {true, [](SymbolOptions& o, const std::string& v) { o.url = v; }}},
      {"text", {true, [](SymbolOptions& o, const std::string& v) { o.text = v; }}},
      {"text-file", {true, [](SymbolOptions& o, const std::string& v) { o.text_file = v; }}},
      {"jpeg", {true, [](SymbolOptions& o, const std::string& v) { o.jpeg = v; }}},
      {"quality", {true, [](SymbolOptions& o, const std::string& v) {
         o.quality = ParseInt("--quality", v, pictures::kMinQuality, pictures::kMaxQuality,
                              "the JPEG quality is " + std::to_string(pictures::kMinQuality) + " to " +
                                  std::to_string(pictures::kMaxQuality));
       }}},
      {"zip", {true, [](SymbolOptions& o, const std::string& v) { o.zip = v; }}},
      {"style", {true, [](SymbolOptions& o, const std::string& v) {
         if (v == "lines") o.style = geometry::Style::kLines;
         else if (v == "dots") o.style = geometry::Style::kDots;
         else if (v == "emboss") o.style = geometry::Style::kDotsWithEmboss;
         else Bad("--style " + v + ": the styles are lines, dots and emboss");
       }}},
      {"emboss", {true, [](SymbolOptions& o, const std::string& v) { o.emboss = v; }}},
      {"grid", {true, [](SymbolOptions& o, const std::string& v) {
         o.grid = ParseInt("--grid", v, 3, 128, "the grid size is 3 to 128 pixels");
       }}},
      {"thickness", {true, [](SymbolOptions& o, const std::string& v) {
         o.thickness = ParseInt("--thickness", v, 1, 8, "the line thickness or dot size is 1 to 8 pixels");
       }}},
      {"rows", {true, [](SymbolOptions& o, const std::string& v) {
         o.rows = ParseInt("--rows", v, 1, 254, "block rows are 1 or an even number from 2 to 254");
         if (*o.rows != 1 && *o.rows % 2) Bad("--rows " + v + ": block rows are 1 or an even number from 2 to 254");
       }}},
      {"columns", {true, [](SymbolOptions& o, const std::string& v) {
         o.columns = ParseInt("--columns", v, 1, 254, "block columns are 1 or an even number from 2 to 254");
         if (*o.columns != 1 && *o.columns % 2) {
           Bad("--columns " + v + ": block columns are 1 or an even number from 2 to 254");
         }
       }}},
      {"error-correction", {true, [](SymbolOptions& o, const std::string& v) {
         o.error_correction = ParseInt("--error-correction", v, 2, 17,
                                       "the correctable bytes per 48-byte group are 2 to 17");
       }}},
      {"mirror", {false, [](SymbolOptions& o, const std::string&) { o.mirror = true; }}},
      {"security", {true, [](SymbolOptions& o, const std::string& v) {
         if (v == "public") o.security = SecurityMode::Public;
         else if (v == "private") o.security = SecurityMode::Private;
         else if (v == "universal") o.security = SecurityMode::Universal;
         else if (v == "unique") o.security = SecurityMode::Unique;
         else if (v == "cascaded") o.security = SecurityMode::Cascaded;
         else Bad("--security " + v + ": the modes are public, private, universal, unique and cascaded");
       }}},
      {"temporary", {false, [](SymbolOptions& o, const std::string&) { o.temporary = true; }}},
      {"tag", {true, [](SymbolOptions& o, const std::string& v) { o.tag = v; }}},
      {"secret-phrase", {true, [](SymbolOptions& o, const std::string& v) { o.secret_phrase = v; }}},
      {"secret-phrase-file", {true, [](SymbolOptions& o, const std::string& v) { o.secret_phrase_file = v; }}},
      {"second-phrase", {true, [](SymbolOptions& o, const std::string& v) { o.second_phrase = v; }}},
      {"second-phrase-file", {true, [](SymbolOptions& o, const std::string& v) { o.second_phrase_file = v; }}},
      {"dpi", {true, [](SymbolOptions& o, const std::string& v) { o.dpi = ParseDpi(v); }}},
      {"paper", {true, [](SymbolOptions& o, const std::string& v) {
         o.paper = output::PaperChoiceFromName(v);
         if (!o.paper) Bad("--paper " + v + ": the papers are a4, letter (a3, a5, b5, legal, executive) and fit");
       }}},
      {"output", {true, [](SymbolOptions& o, const std::string& v) { o.output = v; }}},
      {"format", {true, [](SymbolOptions& o, const std::string& v) {
         if (v == "bmp") o.format = OutputKind::kBmp;
         else if (v == "png") o.format = OutputKind::kPng;
         else if (v == "pdf") o.format = OutputKind::kPdf;
         else Bad("--format " + v + ": the formats are bmp, png and pdf");
       }}},
  };
  return setters;
}

}  // namespace

const cmdline::Program& BuildProgram() {
  static const cmdline::Program program{
      "tessellux-build",
      {"[OPTIONS] (--url URL | --text TEXT | --text-file FILE | --zip FILE) -o OUT",
       "[OPTIONS] --batch FILE [--jobs N]"},
      "Builds Tessellux symbols with a Code Generator, as the Create Tessellux window does.\n"
      "FILE may be any readable path (a pipe, /dev/stdin, <(command)); - is standard input.",
      {
          {"Data",
           {
               {"url", 0, "URL", "a web address (must begin with http:// or https://)"},
               {"text", 0, "TEXT", "plain text"},
               {"text-file", 0, "FILE", "plain text from a UTF-8 file"},
               {"zip", 0, "FILE", "a zipped file"},
               {"jpeg", 0, "FILE", "a JPEG picture; with --text or --text-file: text plus the picture"},
               {"quality", 0, "N", "the picture's recompression quality, 5-95 (default 20)"},
           }},
          {"Layout",
           {
               {"style", 0, "STYLE", "lines, dots or emboss (emboss needs --emboss)"},
               {"emboss", 0, "FILE", "the picture embossed on the dots"},
               {"grid", 0, "N", "pixels per cell, 3-128 (default 8)"},
               {"thickness", 0, "N", "line thickness or dot size, 1-8 (default 2)"},
               {"rows", 0, "N", "block rows: 1, 2, 4, ... 254 (default automatic)"},
               {"columns", 0, "N", "block columns: 1, 2, 4, ... 254 (default automatic)", "cols"},
               {"error-correction", 0, "N", "correctable bytes per 48-byte group, 2-17 (default automatic)"},
               {"mirror", 0, nullptr, "mirror image"},
           }},
          {"Security",
           {
               {"security", 0, "MODE", "public, private, universal, unique or cascaded (default public)", "mode"},
               {"temporary", 0, nullptr, "a temporary authorization"},
               {"tag", 0, "TAG", "identification tag (authorization modes)"},
               {"secret-phrase", 0, "P", "the secret phrase (other users see it in ps: prefer the file\n"
                                         "or TESSELLUX_SECRET_PHRASE)"},
               {"secret-phrase-file", 0, "FILE", "the secret phrase from a file (one line)"},
               {"second-phrase", 0, "P", "the reader's serial number (unique) or the old phrase (cascaded);\n"
                                         "also TESSELLUX_SECOND_PHRASE",
                "serial old-phrase"},
               {"second-phrase-file", 0, "FILE", "the second phrase from a file (one line)"},
           }},
          {"Output",
           {
               {"output", 'o', "OUT", "the file to write: .bmp, .png, or .pdf (the page the window\n"
                                      "prints); - writes to standard output",
                "out"},
               {"format", 0, "KIND", "bmp, png or pdf, whatever OUT's name (default: by the name;\n"
                                     "bmp for -)"},
               {"dpi", 0, "N", "printer resolution: the size in inches and the PDF page's\n"
                               "dots per inch, one symbol pixel per dot (default 600)"},
               {"paper", 0, "PAPER", "the PDF page: a4, letter (a3, a5, b5, legal, executive) or fit;\n"
                                     "default the system's sheet, made larger where the symbol does\n"
                                     "not fit; fit: a page the symbol's size"},
               {"json", 0, nullptr, "one JSON object per symbol, or per failure, on stdout"},
               {"quiet", 'q', nullptr, "no report of the symbols built; failures are still told"},
               {"group-separator", 0, "S", "number format's group separator (default \",\")"},
               {"decimal-point", 0, "S", "number format's decimal point (default \".\")"},
           }},
          {"Code Generator",
           {
               {"host", 0, "H", "a Code Generator's host; repeat for several"},
               {"port", 0, "P", "its port (default 8877)"},
               {"discovery-address", 0, "ADDR", "find it by discovery instead (default without --host:\n"
                                                "255.255.255.255)"},
               {"discovery-timeout", 0, "S", "seconds to wait for an answer (default 5)"},
           }},
          {"Many symbols",
           {
               {"batch", 0, "FILE", "JSON Lines, one object of the options above per line (keys\n"
                                    "without dashes, \"output\" or \"o\" for -o); - reads stdin"},
               {"jobs", 0, "N", "connections in parallel, 1-64 (default 1), spread over the hosts"},
           }},
          {"Program",
           {
               {"help", 'h', nullptr, "this text"},
               {"version", 'V', nullptr, "the version"},
           }},
      },
      {"tessellux-build --host=192.0.2.7 --url=https://example.com -o symbol.png",
       "tessellux-build --host H --text-file notes.txt --grid 4 -o - | lpr",
       "pass show acme | tessellux-build --security private --secret-phrase-file - --url U -o a.pdf",
       "tessellux-build --host H --batch symbols.jsonl --jobs 4 --quiet"},
      "Exit codes: 0 every symbol built; 1 a build failed (a check, a refused command,\n"
      "an unusable picture, an output not written); 2 bad command line or input file;\n"
      "3 no Code Generator reached (refused, not found, lost or silent).\n"};
  return program;
}

namespace {

void ApplyToolOption(ToolOptions& tool, const cmdline::Given& given) {
  const std::string& name = given.name;
  const std::string value = given.value.value_or("");
  if (name == "help") tool.help = true;
  else if (name == "version") tool.version = true;
  else if (name == "json") tool.json = true;
  else if (name == "quiet") tool.quiet = true;
  else if (name == "host") {
    if (value.empty()) Bad("--host needs a host name or address");
    tool.hosts.push_back(value);
  } else if (name == "port") tool.port = ParseInt("--port", value, 1, 65535, "a port is 1 to 65535");
  else if (name == "discovery-address") tool.discovery_address = value;
  else if (name == "discovery-timeout") {
    tool.discovery_timeout_s = ParseInt("--discovery-timeout", value, 1, 600, "give 1 to 600 seconds");
  } else if (name == "batch") tool.batch = value;
  else if (name == "jobs") tool.jobs = ParseInt("--jobs", value, 1, 64, "give 1 to 64 connections");
  else if (name == "group-separator") tool.format.group_separator = value;
  else if (name == "decimal-point") {
    if (value.empty()) Bad("--decimal-point needs a character");
    tool.format.decimal_point = value;
  }
}

}  // namespace

namespace {

// Standard input can be read once: two options naming "-" would each get
// part of it, or nothing.
void RefuseSharedStandardInput(const ToolOptions& tool) {
  const SymbolOptions& o = tool.symbol;
  const std::pair<const char*, const std::optional<std::string>*> readers[] = {
      {"--batch", &tool.batch},
      {"--text-file", &o.text_file},
      {"--zip", &o.zip},
      {"--jpeg", &o.jpeg},
      {"--emboss", &o.emboss},
      {"--secret-phrase-file", &o.secret_phrase_file},
      {"--second-phrase-file", &o.second_phrase_file},
  };
  const char* first = nullptr;
  for (const auto& [name, value] : readers) {
    if (!value->has_value() || **value != "-") continue;
    if (first) Bad(std::string(first) + " and " + name + " both read standard input (-); give one of them a file");
    first = name;
  }
}

}  // namespace

ToolOptions ParseCommandLine(const std::vector<std::string>& args) {
  ToolOptions tool;
  // --json is known before anything can fail, so that a failure answers in JSON too.
  tool.json = std::find(args.begin(), args.end(), "--json") != args.end();
  cmdline::Parsed parsed;
  try {
    parsed = cmdline::Parse(BuildProgram(), args);
  } catch (const cmdline::UsageError& error) {
    Bad(error.what());
  }
  if (!parsed.operands.empty()) {
    Bad("unexpected argument " + parsed.operands.front() + " (the data is given with --url, --text, --text-file "
        "or --zip)");
  }
  const auto& setters = SymbolSetters();
  for (const auto& given : parsed.options) {
    const auto setter = setters.find(given.name);
    if (setter != setters.end()) {
      setter->second.second(tool.symbol, given.value.value_or(""));
    } else {
      ApplyToolOption(tool, given);
    }
  }
  if (tool.help || tool.version) return tool;
  if (!tool.hosts.empty() && tool.discovery_address) Bad("give either --host or --discovery-address, not both");
  if (!tool.batch && tool.symbol.output.empty()) Bad("no output file: give -o OUT.bmp (or .png, .pdf, or - for stdout)");
  RefuseSharedStandardInput(tool);
  return tool;
}

SymbolOptions ApplyBatchLine(const SymbolOptions& defaults, const JsonObject& line) {
  SymbolOptions options = defaults;
  const auto& setters = SymbolSetters();
  for (const auto& [key, value] : line) {
    const cmdline::Option* option = key == "o" ? cmdline::Find(BuildProgram(), "output")
                                               : cmdline::Find(BuildProgram(), key);
    const auto setter = option ? setters.find(option->name) : setters.end();
    if (setter == setters.end()) Bad("unknown key \"" + key + "\" (the keys are the symbol's option names)");
    using Kind = JsonScalar::Kind;
    if (!setter->second.first) {
      if (value.kind != Kind::kTrue && value.kind != Kind::kFalse) Bad("\"" + key + "\" is true or false");
      if (value.kind == Kind::kTrue) setter->second.second(options, {});
      continue;
    }
    if (value.kind == Kind::kNull) continue;
    if (value.kind != Kind::kString && value.kind != Kind::kNumber) Bad("\"" + key + "\" needs a string or a number");
    setter->second.second(options, value.text);
  }
  if (options.output.empty()) Bad("no \"output\" file");
  return options;
}

OutputKind OutputKindOf(const std::string& path, std::optional<OutputKind> format) {
  if (format) return *format;
  if (path == "-") return OutputKind::kBmp;
  const std::string extension = std::filesystem::path(path).extension().string();
  std::string lower;
  for (const char c : extension) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  if (lower == ".bmp") return OutputKind::kBmp;
  if (lower == ".png") return OutputKind::kPng;
  if (lower == ".pdf") return OutputKind::kPdf;
  Bad("-o " + path + ": the output is a .bmp, .png or .pdf file (or give --format bmp|png|pdf)");
}


generate::BuildRequest MakeBuildRequest(const SymbolOptions& o) {
  // Refused before anything is sent, not after the build.
  if (OutputKindOf(o.output, o.format) == OutputKind::kPdf && o.dpi != static_cast<int>(o.dpi)) {
    Bad("--dpi " + std::to_string(o.dpi) + ": a printed page (PDF) needs a whole number of dots per inch");
  }
  const std::string folder = o.output == "-" ? "" : std::filesystem::path(o.output).parent_path().string();
  std::error_code ec;
  if (!folder.empty() && !std::filesystem::is_directory(folder, ec)) {
    Bad("-o " + o.output + ": the folder " + folder + " does not exist");
  }
  const int data_options = (o.url ? 1 : 0) + (o.text || o.text_file || o.jpeg ? 1 : 0) + (o.zip ? 1 : 0);
  if (data_options > 1 || (o.text && o.text_file)) {
    Bad("give one of --url, --text (or --text-file) and --zip; --jpeg goes alone or with a text");
  }

  generate::BuildRequest request;
  std::string text;
  if (o.jpeg) {
    // The text, if any, goes with the picture, as the window's choices go.
    request.data = o.text || o.text_file ? app::kTextPlusPicture : app::kPictureOnly;
    if (o.text || o.text_file) text = o.text ? *o.text : ReadSmallFile("--text-file", *o.text_file);
    request.picture_file = *o.jpeg;
    if (!o.jpeg->empty()) {
      std::string error;
      auto work = PrivateWorkFile::Make(&error);
      if (!work) Bad(error);
      request.picture_upload = work->path();
      request.prepare_picture = RecompressHook(*o.jpeg, o.quality, std::move(work));
    }
  } else if (o.url) {
    request.data = app::kWebAddress;
    text = *o.url;
  } else if (o.text || o.text_file) {
    request.data = app::kText;
    text = o.text ? *o.text : ReadSmallFile("--text-file", *o.text_file);
  } else if (o.zip) {
    // An input file that cannot be read is the command line's fault (exit 2),
    // found before anything is sent.
    if (!std::ifstream(*o.zip, std::ios::binary)) Bad("--zip " + *o.zip + ": " + std::strerror(errno));
    request.data = app::kZippedFile;
    request.zip_file = *o.zip;
  } else if (security::IsAuthorization(o.security)) {
    request.data = app::kAuthorization;
  } else {
    Bad("nothing to build: give --url, --text, --text-file or --zip (or an authorization --security mode)");
  }
  // Sent as the window sends what is typed: each UTF-16 unit in the UTF-8 layout.
  request.text = generate::UnicodeToUtf8(Utf16Or(o.text_file ? *o.text_file : "the text", text));
  request.emboss_file = o.emboss.value_or("");

  if (o.rows.has_value() != o.columns.has_value()) Bad("give --rows and --columns together (or neither: automatic)");
  generate::SymbolLayout& layout = request.layout;
  layout.rows = o.rows;
  layout.columns = o.columns;
  layout.correctable = o.error_correction;
  layout.grid = o.grid;
  layout.thickness = o.thickness;
  layout.style = o.style;
  layout.mirror = o.mirror;

  generate::SecurityChoice& security = request.security;
  security.mode = o.security;
  security.temporary = o.temporary;
  security.identification_tag = Utf16Or("--tag", o.tag);
  // Phrases not given stay blank: the build's security check says so with
  // the window's words, as it judges a malformed serial number.
  if (o.security != security::SecurityMode::Public) {
    const auto phrase = Phrase(o.secret_phrase, o.secret_phrase_file, "--secret-phrase-file", "TESSELLUX_SECRET_PHRASE");
    security.phrase = Utf16Or("the secret phrase", phrase.value_or(""));
  }
  if (o.security == security::SecurityMode::Unique || o.security == security::SecurityMode::Cascaded) {
    const auto second = Phrase(o.second_phrase, o.second_phrase_file, "--second-phrase-file", "TESSELLUX_SECOND_PHRASE");
    security.second_phrase = Utf16Or("the second phrase", second.value_or(""));
  }
  return request;
}

}  // namespace tessellux::cli
