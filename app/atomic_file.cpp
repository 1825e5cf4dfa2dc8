#include "app/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

namespace tessellux::app {
namespace {

Failure<std::string> Report(const std::string& what, int code) { return Fail(what + ": " + std::strerror(code)); }

bool WriteAll(int fd, const Bytes& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string FdPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

// A name beside `path` for a moment: process and counter make it unique
// among writers in this process, O_EXCL/link's EEXIST against the rest.
std::string TemporaryName(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  return path + "." + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1)) + ".tmp";
}

// The file being written. Made without a name where the file system allows
// (O_TMPFILE): if the process dies before the file is whole, nothing is left
// in the folder. Elsewhere a named temporary file, removed on failure.
class WorkFile {
 public:
  explicit WorkFile(const std::string& path) : path_(path) {
    // A file without a name is linked through /proc.
    static const bool proc = ::access("/proc/self/fd", X_OK) == 0;
    fd_ = proc ? ::open(FolderOf(path).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600) : -1;
    // Kernels and file systems without O_TMPFILE answer one of these.
    if (fd_ >= 0 || (proc && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)) return;
    std::string pattern = path + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    fd_ = ::mkstemp(name.data());
    if (fd_ >= 0) named_ = name.data();
  }
  ~WorkFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!named_.empty()) ::unlink(named_.c_str());
  }
  WorkFile(const WorkFile&) = delete;
  WorkFile& operator=(const WorkFile&) = delete;

  int fd() const { return fd_; }
  std::string name() const { return named_.empty() ? "a temporary file beside " + path_ : named_; }

  // Puts the whole file under `path_`; errno says why not. A new name is
  // linked at once; an existing file is replaced by rename from a name of
  // the moment, which is all rename can take.
  bool Publish() {
    if (!named_.empty()) {
      // Closed first, so that a late write error is not renamed in.
      const int fd = std::exchange(fd_, -1);
      if (::close(fd) != 0) return false;
    } else {
      if (::linkat(AT_FDCWD, FdPath(fd_).c_str(), AT_FDCWD, path_.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
      if (errno != EEXIST) return false;
      const std::string temporary = TemporaryName(path_);
      if (::linkat(AT_FDCWD, FdPath(fd_).c_str(), AT_FDCWD, temporary.c_str(), AT_SYMLINK_FOLLOW) != 0) return false;
      named_ = temporary;
    }
    if (::rename(named_.c_str(), path_.c_str()) != 0) return false;
    named_.clear();
    return true;
  }

 private:
  std::string path_;
  std::string named_;  // the temporary file's name while it has one
  int fd_ = -1;
};

}  // namespace

Result<> WriteFileAtomically(const std::string& path, const Bytes& bytes, AtomicWrite how) {
  WorkFile work(path);
  if (work.fd() < 0) return Report("Cannot create a temporary file beside " + path, errno);
  // The work file is private: keep the old file's permissions, or give a
  // new one the mode asked for.
  struct stat old {};
  const bool keep = how.keep_mode && ::stat(path.c_str(), &old) == 0;
  ::fchmod(work.fd(), keep ? (old.st_mode & 07777) : static_cast<mode_t>(how.new_file_mode));
  // Flushed before it takes the name: a crash leaves the old file or the
  // whole new one.
  if (!WriteAll(work.fd(), bytes) || (how.sync && ::fsync(work.fd()) != 0)) {
    return Report("Cannot write " + work.name(), errno);
  }
  if (!work.Publish()) return Report("Cannot replace " + path, errno);
  return Done{};
}

}  // namespace tessellux::app
