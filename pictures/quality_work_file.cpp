#include "pictures/quality_work_file.h"

#include <sys/stat.h>

#include "output/number_text.h"

namespace tessellux::pictures {
namespace {

std::string ByteText(std::uint64_t count, std::string_view group_separator) {
  return output::FormatByteCount(static_cast<std::int64_t>(count), group_separator) + " bytes";
}

}  // namespace

QualityLabels LabelsFor(int quality, const RecompressResult& result, std::string_view group_separator) {
  QualityLabels labels;
  labels.quality = std::to_string(quality) + "%";
  if (result.source_read) labels.before = ByteText(result.source_size, group_separator);
  if (!result.ok) {
    labels.after = result.short_error;
  } else {
    labels.after = result.used_original ? kUsingOriginal : ByteText(result.work_size, group_separator);
  }
  return labels;
}

FileStamp StampOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return {};
  return {true, static_cast<std::uint64_t>(info.st_size),
          static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
}

WorkFileRecord RecordOf(const std::string& source_path, int quality, const std::string& work_path) {
  return {source_path, quality, StampOf(source_path), StampOf(work_path)};
}

bool WorkFileIsCurrent(const std::optional<WorkFileRecord>& made, const std::string& source_path, int quality,
                       const FileStamp& source_now, const FileStamp& work_now) {
  return made && made->source_path == source_path && made->quality == quality && source_now.exists &&
         work_now.exists && made->source == source_now && made->work == work_now;
}

}  // namespace tessellux::pictures
