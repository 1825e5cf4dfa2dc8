#include "cli/pdf_page.h"

#include <mutex>

#include "cmdline/program_module.h"

namespace tessellux::cli {
namespace {

WritePdfPageFunction* LoadModule(std::string* error) {
  std::string reason;
  void* entry = cmdline::LoadProgramModule("tessellux-build-pdf.so", TESSELLUX_PDF_MODULE_INSTALLED,
                                           kWritePdfPageSymbol, &reason);
  if (!entry) *error = "the printed page (PDF) needs the module tessellux-build-pdf.so: " + reason;
  return reinterpret_cast<WritePdfPageFunction*>(entry);
}

}  // namespace

bool WritePdfPage(const PdfPageJob& job, std::string* error) {
  static std::mutex mutex;
  const std::lock_guard lock(mutex);
  static std::string load_error;
  static WritePdfPageFunction* const write = LoadModule(&load_error);
  if (!write) {
    *error = load_error;
    return false;
  }
  return write(job, error);
}

}  // namespace tessellux::cli
