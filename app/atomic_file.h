#pragma once

#include <string>

#include "app/result.h"
#include "protocol/bytes.h"

namespace tessellux::app {

// Replaces the file at `path` with `bytes` so that readers see either the
// old file or the whole new one, never a half-written file: the bytes go
// to a temporary file in the same folder, which is then renamed over the
// target. A replaced file keeps its permissions unless `keep_mode` is
// false; a new one gets `new_file_mode`. On failure the old file stays, no temporary file is left,
// and the result says what went wrong. With `sync` the new file
// reaches the disk before the rename (a crash then leaves one of the two
// whole); a work file that is rebuilt anyway can skip that wait.
struct AtomicWrite {
  unsigned new_file_mode = 0644;
  bool keep_mode = true;
  bool sync = true;
};
Result<> WriteFileAtomically(const std::string& path, const Bytes& bytes, AtomicWrite how = {});

}  // namespace tessellux::app
