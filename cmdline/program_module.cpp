#include "cmdline/program_module.h"

#include <dlfcn.h>

#include <filesystem>
#include <vector>

namespace tessellux::cmdline {

void* LoadProgramModule(const std::string& file_name, const std::string& installed_path, const char* symbol,
                        std::string* error) {
  std::error_code ec;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  std::vector<std::string> candidates;
  if (!ec) candidates.push_back((self.parent_path() / file_name).string());
  candidates.push_back(installed_path);
  std::string reason;
  for (const auto& path : candidates) {
    if (!std::filesystem::exists(path, ec)) continue;
    if (void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
      if (void* entry = ::dlsym(module, symbol)) return entry;
      reason = path + " has no " + symbol;
    } else {
      reason = ::dlerror();
    }
    break;
  }
  *error = reason.empty() ? file_name + " not found beside the program nor at " + installed_path : reason;
  return nullptr;
}

}  // namespace tessellux::cmdline
