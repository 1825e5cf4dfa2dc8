#pragma once

// Writes a fetched symbol picture: the BMP as it came, or as PNG (palette
// kept, rows top-down); the printed page (PDF) is cli/pdf_page.h's. Each
// replaces the file at once (never a half-written file).

#include <string>

#include "cli/options.h"
#include "protocol/bytes.h"

namespace tessellux::cli {

// False (and `error` says why) when the file cannot be written.
bool WritePicture(const Bytes& bmp, const std::string& path, OutputKind kind, std::string* error);

}  // namespace tessellux::cli
