#include "app/working_folder.h"

#include <filesystem>
#include <system_error>

namespace tessellux::app {
namespace {

// True when `path` is `prefix` or lies below it, compared component by
// component (so /usr/localx is not under /usr/local).
bool IsUnder(const std::string& path, const std::string& prefix) {
  namespace fs = std::filesystem;
  const fs::path p = fs::path(path).lexically_normal();
  const fs::path base = fs::path(prefix).lexically_normal();
  auto pi = p.begin();
  for (auto bi = base.begin(); bi != base.end(); ++bi) {
    if (bi->empty()) continue;  // trailing separator
    if (pi == p.end() || *pi != *bi) return false;
    ++pi;
  }
  return !prefix.empty();
}

std::string DataHome(const WorkingFolderInputs& in) {
  if (in.app_data) return *in.app_data;
  if (in.xdg_data_home && !in.xdg_data_home->empty() && in.xdg_data_home->front() == '/')
    return *in.xdg_data_home;
  return in.home.value_or("") + "/.local/share";
}

}  // namespace

WorkingFolderPlan PlanWorkingFolder(const WorkingFolderInputs& in) {
  WorkingFolderPlan plan;
  if (in.program_files) {
    plan.installed = in.program_folder.compare(0, in.program_files->size(), *in.program_files) == 0;
  } else {
    plan.installed = IsUnder(in.program_folder, in.install_prefix);
  }
  if (plan.installed) plan.data_folder = DataHome(in) + "/Tessellux";
  return plan;
}

std::optional<std::string> EnterFolder(const std::string& folder) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::create_directories(folder, ec);  // an existing folder is no error
  fs::current_path(folder, ec);
  if (ec) return "cannot use " + folder + ": " + ec.message();
  return std::nullopt;
}

std::string CurrentFolder() {
  std::error_code ec;
  return std::filesystem::current_path(ec).string();
}

std::string WorkingFilePath(const std::string& folder, const std::string& name) {
  return folder + "/" + name;
}

std::string InstallPrefix() { return TESSELLUX_INSTALL_PREFIX; }

}  // namespace tessellux::app
