#pragma once

#include <string>

namespace tessellux::app {

// A message the window shows in one modal box. Two paragraphs of `text`
// are joined by "\r\n\r\n".
struct Warning {
  std::string title;
  std::string text;
};

inline constexpr const char* kParagraphBreak = "\r\n\r\n";

}  // namespace tessellux::app
