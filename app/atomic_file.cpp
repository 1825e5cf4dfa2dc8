#include "app/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
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

}  // namespace

Result<> WriteFileAtomically(const std::string& path, const Bytes& bytes, AtomicWrite how) {
  std::string pattern = path + ".XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return Report("Cannot create a temporary file beside " + path, errno);
  const std::string temporary(name.data());
  // mkstemp makes the file private: keep the old file's permissions, or
  // give a new one the mode asked for.
  struct stat old {};
  const bool keep = how.keep_mode && ::stat(path.c_str(), &old) == 0;
  ::fchmod(fd, keep ? (old.st_mode & 07777) : static_cast<mode_t>(how.new_file_mode));
  const bool written = WriteAll(fd, bytes) && (!how.sync || ::fsync(fd) == 0);
  const int write_errno = errno;
  if (::close(fd) != 0 || !written) {
    const int code = written ? errno : write_errno;
    ::unlink(temporary.c_str());
    return Report("Cannot write " + temporary, code);
  }
  if (::rename(temporary.c_str(), path.c_str()) != 0) {
    const int code = errno;
    ::unlink(temporary.c_str());
    return Report("Cannot replace " + path, code);
  }
  return Done{};
}

}  // namespace tessellux::app
