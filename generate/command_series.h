#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "layout/style.h"
#include "protocol/bytes.h"
#include "security/security_mode.h"

namespace tessellux::generate {

// Everything a generation sends, as read from the window.
struct GenerationChoices {
  // True only when the "Automatic" box is in the unchecked state; the
  // checked and greyed states both leave the choice to the Code Generator.
  bool size_unchecked = false;
  bool error_unchecked = false;
  int rows_scroll = 1;
  int cols_scroll = 1;
  int error_scroll = 0;
  int grid_size = 8;
  int thickness = 2;
  layout::Style style = layout::Style::kLines;
  security::SecurityMode mode = security::SecurityMode::kPublic;
  bool temporary = false;
  std::u16string identification_tag;
  std::u16string phrase0;  // the secret phrase
  std::u16string phrase1;  // serial number (Unique) or old phrase (Cascaded)
  Bytes data_text;         // UTF-8, as checked
  std::string upload_file;  // empty: nothing to upload
};

// Rows, columns, reserved bytes, grid size, style, thickness. Throws
// std::out_of_range when a value does not fit its byte (the scroll bars'
// ranges keep every value inside).
std::array<std::uint8_t, 6> LayoutBytes(const GenerationChoices& choices);

// The file to upload, chosen by which input tab is available: the
// recompressed picture, else the ZIP file, else none (empty).
std::string ChooseUploadFile(bool picture_tab_available, bool zip_tab_available,
                             const std::string& quality_file, const std::string& zip_file_text);

// One step of the series: a command message, or (when upload_path is not
// empty) the upload of that file in pieces.
struct SeriesStep {
  Bytes command;
  std::string upload_path;

  bool IsUpload() const { return !upload_path.empty(); }
};

// The whole series in sending order; the last step is always the security
// mode command, whose reply carries the geometry used.
std::vector<SeriesStep> CommandSeries(const GenerationChoices& choices);

}  // namespace tessellux::generate
