#pragma once

// Where the working files (Quality.tmp, Tessellux.bmp) and the settings live.
// An installed program works in the user's data folder plus "/Tessellux";
// otherwise in the directory it was started from.

#include <optional>
#include <string>

namespace tessellux::app {

struct WorkingFolderInputs {
  std::string program_folder;                 // folder holding the executable
  std::optional<std::string> program_files;   // $ProgramFiles (set but empty is not unset)
  std::optional<std::string> app_data;        // $AppData
  std::optional<std::string> xdg_data_home;   // $XDG_DATA_HOME
  std::optional<std::string> home;            // $HOME
  std::string install_prefix;                 // where `make install` puts the program
};

struct WorkingFolderPlan {
  bool installed = false;
  std::string data_folder;  // only when installed
};

// With $ProgramFiles set the program counts as installed when its folder
// begins with that value (exact, case-sensitive; an empty value matches).
// Without it, when its folder lies under the install prefix.
WorkingFolderPlan PlanWorkingFolder(const WorkingFolderInputs& inputs);

// Creates the folder (an existing one is fine) and makes it the current
// directory. Returns an error text when it cannot; the current directory is
// then unchanged.
std::optional<std::string> EnterFolder(const std::string& folder);

std::string CurrentFolder();

// folder + "/" + name; a root folder gives a doubled separator, which is harmless.
std::string WorkingFilePath(const std::string& folder, const std::string& name);

// The compiled-in install prefix (CMAKE_INSTALL_PREFIX).
std::string InstallPrefix();

}  // namespace tessellux::app
