#pragma once

// Optional parts of a program kept in modules that are loaded only when
// needed, so that the common case starts fast and small (a PDF page needs
// Qt Gui, a picture of paper OpenCV with its hundred libraries). A module
// is looked for beside the running executable (a build tree, a relocated
// install), then at its installed place.

#include <string>

namespace tessellux::cmdline {

// The address of `symbol` in the module `file_name`; null with `error`
// saying why (not found, not loadable, no such entry). Never unloaded: the
// libraries it brings keep state for the life of the process.
void* LoadProgramModule(const std::string& file_name, const std::string& installed_path, const char* symbol,
                        std::string* error);

}  // namespace tessellux::cmdline
