#pragma once

// The printed page as a PDF: the page the window's "Print" makes, drawn by
// the same code at the given resolution. That code needs Qt Gui, which a
// .bmp or .png build should not pay for at start-up, so it lives in a
// module (tessellux-build-pdf.so) loaded the first time a PDF is written:
// next to the executable, else where it is installed.

#include <string>
#include <vector>

#include "output/paper.h"
#include "output/print_geometry.h"
#include "protocol/bytes.h"

namespace tessellux::cli {

struct PdfPageJob {
  const Bytes* bmp = nullptr;  // the fetched symbol picture
  const std::vector<output::Annotation>* annotations = nullptr;
  int dots_per_inch = 600;
  std::string path;
  output::PaperChoice paper;
  output::PdfPage* page = nullptr;  // the page it went on, when written
};

// The module's entry point (same compiler and library, so C++ types cross).
// False, with `error` saying why, when the page cannot be made or written.
using WritePdfPageFunction = bool(const PdfPageJob& job, std::string* error);
inline constexpr const char* kWritePdfPageSymbol = "tessellux_write_pdf_page";

// Loads the module once and writes the page; calls are serialised (the
// module keeps one Qt application).
bool WritePdfPage(const PdfPageJob& job, std::string* error);

}  // namespace tessellux::cli
