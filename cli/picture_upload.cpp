#include "cli/picture_upload.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "pictures/jpeg_recompress.h"
#include "pictures/quality_work_file.h"

namespace tessellux::cli {

std::shared_ptr<PrivateWorkFile> PrivateWorkFile::Make(std::string* error) {
  const char* folder = std::getenv("TMPDIR");
  std::string name = std::string(folder && *folder ? folder : "/tmp") + "/tessellux-build-XXXXXX";
  const int fd = ::mkstemp(name.data());
  if (fd < 0) {
    *error = "cannot make a work file for the picture in " + name.substr(0, name.rfind('/')) + ": " +
             std::strerror(errno) + " (set TMPDIR to a writable folder)";
    return nullptr;
  }
  ::close(fd);
  return std::shared_ptr<PrivateWorkFile>(new PrivateWorkFile(std::move(name)));
}

PrivateWorkFile::~PrivateWorkFile() { ::unlink(path_.c_str()); }

std::function<std::optional<app::Warning>()> RecompressHook(std::string source, int quality,
                                                            std::shared_ptr<PrivateWorkFile> work) {
  return [source = std::move(source), quality, work = std::move(work)]() -> std::optional<app::Warning> {
    const pictures::RecompressResult result = pictures::RecompressJpeg(source, quality, work->path());
    if (result.ok) return std::nullopt;
    return app::Warning{pictures::kPictureNotUsableTitle, {result.error}};
  };
}

}  // namespace tessellux::cli
