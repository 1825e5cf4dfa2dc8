#include "generate/command_series.h"

#include <stdexcept>

#include "generate/single_byte.h"
#include "generate/unicode.h"
#include "layout/layout_values.h"
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

SeriesStep SecurityModeCommand(const GenerationChoices& choices) {
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
  return Message(command, ToSingleByte(choices.phrase1));
}

}  // namespace

std::array<std::uint8_t, 6> LayoutBytes(const GenerationChoices& c) {
  const int rows = c.size_unchecked ? layout::BlockCount(c.rows_scroll) : 0;
  const int cols = c.size_unchecked ? layout::BlockCount(c.cols_scroll) : 0;
  const int reserved = c.error_unchecked ? layout::ReservedBytes(c.error_scroll) : 0;
  return {CheckedByte(rows, "rows"),          CheckedByte(cols, "columns"),
          CheckedByte(reserved, "reserved"),  CheckedByte(c.grid_size, "grid size"),
          layout::StyleByte(c.style),         CheckedByte(c.thickness, "thickness")};
}

std::string ChooseUploadFile(bool picture_tab_available, bool zip_tab_available,
                             const std::string& quality_file, const std::string& zip_file_text) {
  if (picture_tab_available) return quality_file;
  if (zip_tab_available) return zip_file_text;
  return {};
}

std::vector<SeriesStep> CommandSeries(const GenerationChoices& choices) {
  std::vector<SeriesStep> series;
  const auto layout = LayoutBytes(choices);
  series.push_back(Message(Command::Layout, Bytes(layout.begin(), layout.end())));
  series.push_back(Message(Command::Text, choices.data_text));
  if (!choices.upload_file.empty()) series.push_back(SeriesStep{{}, choices.upload_file});
  if (security::IsAuthorization(choices.mode)) {
    series.push_back(Message(Command::IdentificationTag, UnicodeToUtf8(choices.identification_tag)));
  }
  if (choices.mode != SecurityMode::kPublic) {
    series.push_back(Message(Command::SecretPhrase, UnicodeToUtf8(choices.phrase0)));
  }
  series.push_back(SecurityModeCommand(choices));
  return series;
}

}  // namespace tessellux::generate
