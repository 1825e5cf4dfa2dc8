#pragma once

// What the "Picture" tab shows after a recompression, and when the quality
// work file may be uploaded as it is.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "pictures/jpeg_recompress.h"

namespace tessellux::pictures {

inline constexpr const char* kUsingOriginal = "using original since smaller";
// The title of the warning that stops a build whose picture cannot be
// recompressed (the text is RecompressResult::error).
inline constexpr const char* kPictureNotUsableTitle = "Picture Not Usable";

struct QualityLabels {
  std::string quality;  // "20%"
  std::string before;   // "1,234 bytes"; empty when the file could not be read
  std::string after;    // "567 bytes", "using original since smaller", or what went wrong
};

// Byte counts grouped with `group_separator`, the user's.
QualityLabels LabelsFor(int quality, const RecompressResult& result, std::string_view group_separator = ",");

// A file as last seen: whether it exists, its size and modification time.
struct FileStamp {
  bool exists = false;
  std::uint64_t size = 0;
  std::int64_t modified_ns = 0;

  bool operator==(const FileStamp&) const = default;
};

FileStamp StampOf(const std::string& path);

// What the last successful recompression made the work file from.
struct WorkFileRecord {
  std::string source_path;
  int quality = 0;
  FileStamp source;
  FileStamp work;
};

WorkFileRecord RecordOf(const std::string& source_path, int quality, const std::string& work_path);

// The work file may be uploaded only when the last recompression made it
// from this very file at this quality and neither file changed since. A
// path typed into the box, a picture edited on disk, a work file left from
// an earlier run or touched by anything else: recompress first.
bool WorkFileIsCurrent(const std::optional<WorkFileRecord>& made, const std::string& source_path, int quality,
                       const FileStamp& source_now, const FileStamp& work_now);

}  // namespace tessellux::pictures
