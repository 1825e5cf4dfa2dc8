#include <gtest/gtest.h>

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

}  // namespace
}  // namespace tessellux::app
