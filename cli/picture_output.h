#pragma once

// Writes a fetched symbol picture: the BMP, or as PNG (palette kept, rows
// top-down), either declaring `dots_per_inch` so that a viewer shows it at
// its printed size; the printed page (PDF) is cli/pdf_page.h's. Each
// replaces the file at once (never a half-written file).

#include <string>

#include "app/result.h"
#include "cli/options.h"
#include "protocol/bytes.h"

namespace tessellux::cli {

// False (and `error` says why) when the file cannot be written. "-" is
// standard output.
bool WritePicture(const Bytes& bmp, const std::string& path, OutputKind kind, double dots_per_inch,
                  std::string* error);

// Sends a written file (a PDF page made for "-") to standard output.
bool CopyToStandardOutput(const std::string& path, std::string* error);

// True for a file written; otherwise `error` says why.
bool Saved(const app::Result<>& written, std::string* error);

}  // namespace tessellux::cli
