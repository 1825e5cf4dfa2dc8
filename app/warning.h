#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tessellux::app {

// A message for the user: a title and its paragraphs. Each edge lays it out
// its own way: the window in one modal box, paragraphs apart by a blank
// line; the command line on one line.
struct Warning {
  std::string title;
  std::vector<std::string> paragraphs;
};

// The paragraphs joined by `separator`.
inline std::string JoinParagraphs(const Warning& warning, std::string_view separator) {
  std::string text;
  for (const std::string& paragraph : warning.paragraphs) {
    if (!text.empty()) text += separator;
    text += paragraph;
  }
  return text;
}

}  // namespace tessellux::app
