#include "pictures/file_filters.h"

#include <cctype>

namespace tessellux::pictures {
namespace {

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

// "*.jpg" -> "*.[jJ][pP][gG]": a glob that ignores letter case.
std::string AnyCase(std::string_view pattern) {
  std::string out;
  for (const char c : pattern) {
    const auto u = static_cast<unsigned char>(c);
    if (std::isalpha(u)) {
      out += '[';
      out += static_cast<char>(std::tolower(u));
      out += static_cast<char>(std::toupper(u));
      out += ']';
    } else {
      out += c;
    }
  }
  return out;
}

std::string Patterns(std::string_view patterns) {
  std::string out;
  for (std::string_view pattern : Split(patterns, ';')) {
    while (!pattern.empty() && pattern.front() == ' ') pattern.remove_prefix(1);
    while (!pattern.empty() && pattern.back() == ' ') pattern.remove_suffix(1);
    if (pattern.empty()) continue;
    std::vector<std::string> spellings{std::string(pattern)};
    std::string lower(pattern);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower == "*.jpg") spellings = {"*.jpg", "*.jpeg", "*.jpe"};
    for (const auto& spelling : spellings) {
      if (!out.empty()) out += ' ';
      out += AnyCase(spelling);
    }
  }
  return out;
}

}  // namespace

std::vector<std::string> DialogNameFilters(std::string_view filter) {
  const std::vector<std::string_view> parts = Split(filter, '|');
  std::vector<std::string> filters;
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
    const std::string patterns = Patterns(parts[i + 1]);
    if (!patterns.empty()) filters.push_back(std::string(parts[i]) + " (" + patterns + ")");
  }
  return filters;
}

}  // namespace tessellux::pictures
