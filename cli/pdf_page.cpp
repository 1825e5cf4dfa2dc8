#include "cli/pdf_page.h"

#include <dlfcn.h>

#include <filesystem>
#include <mutex>

namespace tessellux::cli {
namespace {

// The module beside the running executable (a build tree, or a relocated
// install), else at the installed place.
WritePdfPageFunction* LoadModule(std::string* error) {
  std::error_code ec;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  std::vector<std::string> candidates;
  if (!ec) candidates.push_back((self.parent_path() / "tessellux-build-pdf.so").string());
  candidates.push_back(TESSELLUX_PDF_MODULE_INSTALLED);
  std::string reasons;
  for (const auto& path : candidates) {
    if (!std::filesystem::exists(path, ec)) continue;
    // Never unloaded: Qt keeps state for the life of the process.
    if (void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
      if (void* entry = ::dlsym(module, kWritePdfPageSymbol)) return reinterpret_cast<WritePdfPageFunction*>(entry);
      reasons = path + " has no " + kWritePdfPageSymbol;
    } else {
      reasons = ::dlerror();
    }
    break;
  }
  *error = "the printed page (PDF) needs the module tessellux-build-pdf.so, " +
           (reasons.empty() ? "not found beside tessellux-build nor at " + candidates.back() : reasons);
  return nullptr;
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
