#pragma once

#include <string>

#include "link/bytes.h"

namespace tessellux::output {

// Replaces the file at `path` with `bytes` so that readers see either the
// old file or the whole new one, never a half-written file: the bytes go
// to a temporary file in the same folder, which is then renamed over the
// target. A replaced file keeps its permissions; a new one gets
// `new_file_mode`. On failure the old file stays, no temporary file is
// left, and `error` (if given) says what went wrong.
bool WriteFileAtomically(const std::string& path, const Bytes& bytes, std::string* error,
                         unsigned new_file_mode = 0644);

}  // namespace tessellux::output
