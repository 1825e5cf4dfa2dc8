#pragma once

// A JPEG picture goes out as the window sends it: recompressed at the
// chosen quality into a work file, just before the series starts. Each
// build has its own private work file, removed when the build is done.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/warning.h"

namespace tessellux::cli {

// A file made with mkstemp in $TMPDIR (else /tmp), readable by its owner
// only; removed with the last copy of the handle.
class PrivateWorkFile {
 public:
  // Nothing when the file cannot be made; `error` says why.
  static std::shared_ptr<PrivateWorkFile> Make(std::string* error);
  ~PrivateWorkFile();
  PrivateWorkFile(const PrivateWorkFile&) = delete;
  PrivateWorkFile& operator=(const PrivateWorkFile&) = delete;

  const std::string& path() const { return path_; }

 private:
  explicit PrivateWorkFile(std::string path) : path_(std::move(path)) {}
  std::string path_;
};

// The driver's prepare_upload hook: recompresses `source` at `quality` into
// `work`; on failure the window's warning, naming `source`. The hook keeps
// the work file alive.
std::function<std::optional<app::Warning>()> RecompressHook(std::string source, int quality,
                                                            std::shared_ptr<PrivateWorkFile> work);

}  // namespace tessellux::cli
