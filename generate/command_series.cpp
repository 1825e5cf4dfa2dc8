#include "generate/command_series.h"

#include <stdexcept>

#include "generate/single_byte.h"
#include "generate/unicode.h"
#include "protocol/codes.h"

namespace tessellux::generate {
namespace {

using protocol::Command;
using security::SecurityMode;

std::uint8_t CheckedByte(int value, const char* what) {
  if (value < 0 || value > 255) {
    throw std::out_of_range(std::string("layout value out of byte range: ") + what);
  }
  return static_cast<std::uint8_t>(value);
}

SeriesStep Message(Command command, const Bytes& parameters = {}) {
  SeriesStep step;
  step.command.reserve(1 + parameters.size());
  step.command.push_back(protocol::Code(command));
  step.command.insert(step.command.end(), parameters.begin(), parameters.end());
  return step;
}

SeriesStep SecurityModeCommand(const SecurityChoice& choices) {
  switch (choices.mode) {
    case SecurityMode::kPublic:
      return Message(Command::BuildPublic);
    case SecurityMode::kPrivate:
      return Message(Command::BuildPrivate);
    default:
      break;
  }
  const Command command = choices.temporary ? Command::BuildTemporaryAuthorization : Command::BuildAuthorization;
  if (choices.mode == SecurityMode::kUniversal) return Message(command);
  // Serial number or old phrase: one byte per character, not UTF-8.
  return Message(command, ToSingleByte(choices.second_phrase));
}

}  // namespace

std::array<std::uint8_t, 6> LayoutBytes(const SymbolLayout& layout) {
  const int rows = layout.rows.value_or(0);
  const int cols = layout.columns.value_or(0);
  const int reserved = layout.correctable ? 2 * *layout.correctable : 0;
  return {CheckedByte(rows, "rows"),          CheckedByte(cols, "columns"),
          CheckedByte(reserved, "reserved"),  CheckedByte(layout.grid, "grid size"),
          layout::StyleByte(layout.style),    CheckedByte(layout.thickness, "thickness")};
}

std::vector<SeriesStep> CommandSeries(const BuildRequest& request, const std::string& upload_file) {
  const SecurityChoice& security = request.security;
  std::vector<SeriesStep> series;
  const auto layout = LayoutBytes(request.layout);
  series.push_back(Message(Command::Layout, Bytes(layout.begin(), layout.end())));
  series.push_back(Message(Command::Text, request.text));
  if (!upload_file.empty()) series.push_back(SeriesStep{{}, upload_file});
  if (security::IsAuthorization(security.mode)) {
    series.push_back(Message(Command::IdentificationTag, UnicodeToUtf8(security.identification_tag)));
  }
  if (security.mode != SecurityMode::kPublic) {
    series.push_back(Message(Command::SecretPhrase, UnicodeToUtf8(security.phrase)));
  }
  series.push_back(SecurityModeCommand(security));
  return series;
}

}  // namespace tessellux::generate
