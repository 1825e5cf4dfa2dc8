#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "app/atomic_file.h"
#include "support/temp_folder.h"

namespace tessellux::app {
namespace {

namespace fs = std::filesystem;

TEST(AtomicWrite, ReplacesTheFileOrKeepsTheOldOneAndSaysWhy) {
  const tessellux::testing::TempFolder folder;
  const fs::path& dir = folder.path();
  const auto entries = [&] { return std::distance(fs::directory_iterator(dir), fs::directory_iterator()); };
  const fs::path target = dir / "Tessellux.bmp";
  ASSERT_TRUE(WriteFileAtomically(target.string(), ToBytes("old picture")));
  const Result<> replaced = WriteFileAtomically(target.string(), ToBytes("new"));
  ASSERT_TRUE(replaced) << replaced.error();
  EXPECT_EQ(tessellux::testing::ReadAll(target), ToBytes("new"));
  EXPECT_EQ(entries(), 1) << "no temporary file is left";

  // A non-empty folder cannot be replaced by rename; a missing folder takes nothing.
  const fs::path busy = dir / "busy";
  fs::create_directories(busy / "inside");
  const Result<> refused = WriteFileAtomically(busy.string(), ToBytes("x"));
  ASSERT_FALSE(refused);
  EXPECT_NE(refused.error().find(busy.string()), std::string::npos) << refused.error();
  EXPECT_TRUE(fs::is_directory(busy / "inside"));
  EXPECT_FALSE(WriteFileAtomically((dir / "no" / "file.bmp").string(), ToBytes("x")));
  EXPECT_EQ(entries(), 2);
}

TEST(AtomicWrite, ANewFileGetsTheModeAskedAndAReplacedOneKeepsItsOwn) {
  const tessellux::testing::TempFolder folder;
  const std::string target = folder / "symbol.png";
  ASSERT_TRUE(WriteFileAtomically(target, ToBytes("one"), {.new_file_mode = 0640}));
  struct stat info {};
  ASSERT_EQ(::stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  ASSERT_EQ(::chmod(target.c_str(), 0604), 0);
  ASSERT_TRUE(WriteFileAtomically(target, ToBytes("two")));
  ASSERT_EQ(::stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0604u);
  EXPECT_EQ(tessellux::testing::ReadAll(target), ToBytes("two"));
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
}

// A child writes 64 KiB under a file size limit of 4 KiB: told by an error,
// it must leave the old file and nothing else; killed in the middle of the
// write (SIGXFSZ), it must leave nothing else either where the file system
// makes files without a name.
TEST(AtomicWrite, AWriteCutShortLeavesTheOldFileAndNothingElse) {
  const tessellux::testing::TempFolder folder;
  const std::string target = folder / "symbol.bmp";
  ASSERT_TRUE(WriteFileAtomically(target, ToBytes("old")));
  const int probe = ::open(folder.path().c_str(), O_TMPFILE | O_WRONLY, 0600);
  const bool nameless = probe >= 0;
  if (nameless) ::close(probe);
  for (const bool killed : {false, true}) {
    SCOPED_TRACE(killed ? "killed" : "told");
    const pid_t child = ::fork();
    if (child == 0) {
      std::signal(SIGXFSZ, killed ? SIG_DFL : SIG_IGN);
      const rlimit limit{4096, 4096};
      ::setrlimit(RLIMIT_FSIZE, &limit);
      const Result<> written = WriteFileAtomically(target, Bytes(64 << 10, 0x55));
      ::_exit(written ? 0 : written.error().find("File too large") != std::string::npos ? 3 : 4);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    if (killed) {
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ);
    } else {
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 3) << status;
    }
    EXPECT_EQ(tessellux::testing::ReadAll(target), ToBytes("old"));
    if (killed && !nameless) continue;  // a named temporary file may stay
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
  }
}

}  // namespace
}  // namespace tessellux::app
