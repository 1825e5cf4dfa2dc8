#include "output/paper.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <fstream>

namespace tessellux::output {
namespace {

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return lower;
}

// The countries whose locales glibc gives Letter paper (LC_PAPER).
bool CountryUsesLetter(std::string_view country) {
  static constexpr std::array<std::string_view, 15> kLetter = {"US", "CA", "MX", "PH", "PR", "CL", "CO", "CR",
                                                               "GT", "PA", "SV", "VE", "DO", "NI", "BZ"};
  return std::find(kLetter.begin(), kLetter.end(), country) != kLetter.end();
}

// "en_US.UTF-8@euro" -> "US"; empty without a country.
std::string_view CountryOf(std::string_view locale) {
  const auto underscore = locale.find('_');
  if (underscore == std::string_view::npos) return {};
  const std::string_view rest = locale.substr(underscore + 1);
  return rest.substr(0, rest.find_first_of(".@"));
}

// The first name in a libpaper configuration text.
std::string FirstName(const std::string& text) {
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    std::string_view line(text.data() + at, end - at);
    line = line.substr(0, line.find('#'));
    const auto first = line.find_first_not_of(" \t\r");
    if (first != std::string_view::npos) {
      line = line.substr(first);
      return std::string(line.substr(0, line.find_first_of(" \t\r")));
    }
    at = end + 1;
  }
  return {};
}

std::optional<std::string> ReadSmallText(const char* path) {
  std::ifstream in(path);
  if (!in) return std::nullopt;
  // A name on a line: a few bytes are plenty.
  std::string text(4096, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(in.gcount()));
  return text;
}

const char* Environment(const char* name) {
  const char* value = std::getenv(name);
  return value && *value ? value : nullptr;
}

}  // namespace

std::optional<PaperSize> NamedPaper(std::string_view name) {
  static const std::array<PaperSize, 7> kSheets = {{{"A3", 297 / 25.4, 420 / 25.4},
                                                   {"A4", 210 / 25.4, 297 / 25.4},
                                                   {"A5", 148 / 25.4, 210 / 25.4},
                                                   {"B5", 176 / 25.4, 250 / 25.4},
                                                   {"Letter", 8.5, 11},
                                                   {"Legal", 8.5, 14},
                                                   {"Executive", 7.25, 10.5}}};
  const std::string wanted = Lower(name);
  for (const auto& sheet : kSheets) {
    if (Lower(sheet.name) == wanted) return sheet;
  }
  return std::nullopt;
}

PaperSize DefaultPaper(const std::optional<std::string>& papersize_text, std::string_view locale) {
  if (papersize_text) {
    if (auto sheet = NamedPaper(FirstName(*papersize_text))) return *sheet;
  }
  return *NamedPaper(CountryUsesLetter(CountryOf(locale)) ? "letter" : "a4");
}

PaperSize SystemPaper() {
  std::optional<std::string> configured;
  if (const char* size = Environment("PAPERSIZE")) {
    configured = size;
  } else {
    const char* file = Environment("PAPERCONF");
    configured = ReadSmallText(file ? file : "/etc/papersize");
  }
  const char* locale = Environment("LC_ALL");
  if (!locale) locale = Environment("LC_PAPER");
  if (!locale) locale = Environment("LANG");
  return DefaultPaper(configured, locale ? locale : "");
}

std::optional<PaperChoice> PaperChoiceFromName(std::string_view name) {
  if (Lower(name) == "fit") return PaperChoice{true, {}};
  if (auto sheet = NamedPaper(name)) return PaperChoice{false, *sheet};
  return std::nullopt;
}

PdfPage PdfPageFor(const PaperChoice& choice, int extent_width, int extent_height, int dpi) {
  // A PDF measures its page in whole points (1/72 inch): rounded up, with a
  // dot to spare, the printable area is never a dot short.
  const auto inches = [dpi](int dots) {
    return std::ceil(((dots + 1.0) / dpi + 2 * kPdfMarginInches) * 72.0) / 72.0;
  };
  const double width = inches(extent_width), height = inches(extent_height);
  if (choice.fit) return {{"", width, height}, false};
  const PaperSize& sheet = choice.sheet;
  // A tolerance of a thousandth of an inch for the sheets' millimetres.
  const bool wide_enough = width <= sheet.width_inches + 1e-3;
  const bool long_enough = height <= sheet.height_inches + 1e-3;
  if (wide_enough && long_enough) return {sheet, false};
  return {{"", wide_enough ? sheet.width_inches : width, long_enough ? sheet.height_inches : height}, true};
}

}  // namespace tessellux::output
