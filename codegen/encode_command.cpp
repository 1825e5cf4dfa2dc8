#include "codegen/encode_command.h"

#include <algorithm>

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
  if (name == "--style") {
    if (value != "lines" && value != "dots") return "--style is lines or dots";
    layout.style = value == "lines" ? symbol::Style::Lines : symbol::Style::Dots;
    return {};
  }
  const auto number = ParseNumber(value, 0, 255);
  if (!number) return name + " needs a number from 0 to 255, not \"" + value + "\"";
  const int n = static_cast<int>(*number);
  if (name == "--rows") layout.rows = n;
  else if (name == "--cols") layout.cols = n;
  else if (name == "--reserved") layout.reserved = n;
  else if (name == "--grid") layout.grid = n;
  else layout.thickness = n;
  return {};
}

std::string ApplyContent(const std::string& name, const std::string& value, EncodeOptions& options) {
  auto& content = options.request.content;
  auto& security = options.request.security;
  if (name == "--text") {
    content.text = value;
  } else if (name == "--text-file" || name == "--file") {
    std::string error;
    auto data = ReadFileBytes(value, kMaxInputFile, error);
    if (!data) return error;
    if (name == "--file") content.file = std::move(*data);
    else content.text.assign(data->begin(), data->end());
  } else if (name == "--mode") {
    const auto mode = ParseMode(value);
    if (!mode) return "--mode is public, private, universal, unique or cascaded, not \"" + value + "\"";
    security.mode = *mode;
  } else if (name == "--company") {
    security.company = value;
  } else if (name == "--tag") {
    security.tag = value;
  } else if (name == "--secret-phrase") {
    security.phrase = value;
  } else if (name == "--serial" || name == "--old-phrase") {
    security.second = value;
  } else if (name == "--max-bitmap-mib") {
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

std::string CheckSecurity(const symbol::Security& security) {
  if (security.mode == SecurityMode::Public) return {};
  if (security.company.empty()) return "this mode needs --company";
  if (security.phrase.empty()) return "this mode needs --secret-phrase";
  if (security.mode == SecurityMode::Unique && !LooksLikeSerialNumber(security.second)) {
    return "unique needs --serial ####-####-####";
  }
  if (security.mode == SecurityMode::Cascaded && security.second.empty()) return "cascaded needs --old-phrase";
  return {};
}

bool TakesValue(const std::string& name) {
  static const char* const kNames[] = {"--rows",   "--cols",          "--reserved",   "--grid",  "--thickness",
                                       "--style",  "--text",          "--text-file",  "--file",  "--mode",
                                       "--company", "--tag",          "--secret-phrase", "--serial", "--old-phrase",
                                       "--max-bitmap-mib", "-o",      "--out",        "--output"};
  return std::find(std::begin(kNames), std::end(kNames), name) != std::end(kNames);
}

bool IsLayoutOption(const std::string& name) {
  return name == "--rows" || name == "--cols" || name == "--reserved" || name == "--grid" ||
         name == "--thickness" || name == "--style";
}

}  // namespace

std::variant<EncodeOptions, std::string> ParseEncodeOptions(const std::vector<std::string>& args) {
  EncodeOptions options;
  ArgReader reader(args);
  while (!reader.Done()) {
    const std::string name = reader.Take();
    if (name == "--help" || name == "-h") {
      options.help = true;
      continue;
    }
    if (name == "--temporary") {
      options.request.security.temporary = true;
      continue;
    }
    if (!TakesValue(name)) {
      return name.starts_with("-") ? "unknown option " + name : "unexpected argument \"" + name + "\"";
    }
    std::string error;
    const auto value = reader.Value(name, error);
    if (!value) return error;
    error = IsLayoutOption(name) ? ApplyLayout(name, *value, options.request.layout)
                                 : ApplyContent(name, *value, options);
    if (!error.empty()) return error;
  }
  if (options.help) return options;
  if (options.output.empty()) return std::string("no output file: give -o OUT.bmp");
  if (std::string missing = MissingFolder(options.output); !missing.empty()) {
    return "cannot write " + options.output + ": " + missing;
  }
  if (std::string error = CheckSecurity(options.request.security); !error.empty()) return error;
  return options;
}

std::string EncodeUsage() {
  return "Usage: tessellux-codegen encode [options] -o OUT.bmp\n"
         "Layout (as the layout command; 0 = automatic):\n"
         "  --rows N --cols N      block rows and columns (0, 1, 2, 4, ... 254; default 0)\n"
         "  --reserved N           parity bytes per 48-byte group (0 or 4, 6, ... 34; default 0)\n"
         "  --grid N               pixels per cell, 3..128 (default 8)\n"
         "  --style lines|dots     (default lines)\n"
         "  --thickness N          line thickness or dot size, 1..8 (default 2)\n"
         "Content:\n"
         "  --text TEXT | --text-file PATH   data text (UTF-8)\n"
         "  --file PATH            JPEG or ZIP file to carry\n"
         "Security:\n"
         "  --mode public|private|universal|unique|cascaded (default public) [--temporary]\n"
         "  --company NAME --tag TAG --secret-phrase P\n"
         "  --serial ####-####-#### (unique)  --old-phrase P (cascaded)\n"
         "  --max-bitmap-mib N     largest bitmap in MiB, 1..4095 (default 64)\n"
         "Output:\n"
         "  -o, --out OUT.bmp      the file to write; its folder must exist\n"
         "Exit codes: 0 written (or --help), 1 bad options, 2 cannot build (data too large for the\n"
         "size, bitmap over the limit, layout out of range), 3 cannot write. Errors go to stderr.\n";
}

}  // namespace tessellux::codegen
