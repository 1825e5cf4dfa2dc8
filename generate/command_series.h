#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "generate/build_request.h"
#include "protocol/bytes.h"

namespace tessellux::generate {

// Rows, columns, reserved bytes (0 for automatic, else twice the
// correctable bytes), grid size, style, thickness. Throws std::out_of_range
// when a value does not fit its byte.
std::array<std::uint8_t, 6> LayoutBytes(const SymbolLayout& layout);

// One step of the series: a command message, or (when upload_path is not
// empty) the upload of that file in pieces.
struct SeriesStep {
  Bytes command;
  std::string upload_path;

  bool IsUpload() const { return !upload_path.empty(); }
};

// The whole series in sending order, uploading `upload_file` (none when
// empty); the last step is always the security mode command, whose reply
// carries the geometry used.
std::vector<SeriesStep> CommandSeries(const BuildRequest& request, const std::string& upload_file);

}  // namespace tessellux::generate
