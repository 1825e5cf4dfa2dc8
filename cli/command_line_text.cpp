#include "cli/command_line_text.h"

#include <array>
#include <utility>

#include "security/field_checks.h"

namespace tessellux::cli {
namespace {

void Replace(std::string& text, const std::string& from, const std::string& to) {
  if (const auto at = text.find(from); at != std::string::npos) text.replace(at, from.size(), to);
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

std::string ForCommandLine(std::string message) {
  static const std::array<std::pair<const char*, const char*>, 6> kDirections{{
      {"go to the Style tab and select Text instead of Web address (URL)", "give the text with --text instead of --url"},
      {"go to the Style tab and select Web address (URL) instead of Text", "give it with --url instead of --text"},
      {"Please either enter some text, or go to the Style tab and select another choice.",
       "Give the text with --text TEXT or --text-file FILE, or other data (--url, --zip)."},
      {"Please either choose a ZIP file, or go to the Style tab and select another choice.",
       "Give the file with --zip FILE, or other data (--url, --text)."},
      {"The data selection is Web address (URL)", "The data is a web address (--url)"},
      {"The data selection is Text,", "The data is a text (--text),"},
  }};
  for (const auto& [from, to] : kDirections) Replace(message, from, to);
  if (Has(message, "Old Secret Phrase cannot be blank")) {
    message += " (give --second-phrase-file FILE, TESSELLUX_SECOND_PHRASE or --second-phrase)";
  } else if (Has(message, "Secret Phrase cannot be blank")) {
    message += " (give --secret-phrase-file FILE, TESSELLUX_SECRET_PHRASE or --secret-phrase)";
  } else if (Has(message, security::kSerialNumberMessage)) {
    message += " (give the reader's serial number with --second-phrase, --second-phrase-file or "
               "TESSELLUX_SECOND_PHRASE)";
  } else if (Has(message, "Identification Tag cannot be blank")) {
    message += " (give --tag TAG)";
  } else if (Has(message, "no picture has been entered")) {
    message += " Give it with --jpeg FILE.";
  } else if (Has(message, "bitmap limit")) {
    message += "; give a smaller --grid (or --thickness), or fewer --rows and --columns";
  }
  return message;
}

std::string ConnectionHint(const std::string& error, const std::string& host, int port) {
  const std::string where = host + " port " + std::to_string(port);
  if (Has(error, "refused")) {
    return error + " (is a Code Generator, tessellux-codegen, running at " + where + "? check --host and --port)";
  }
  if (Has(error, "no answer") || Has(error, "cannot find")) {
    return error + " (check --host and --port, and that " + where + " can be reached)";
  }
  return error;
}

}  // namespace tessellux::cli
