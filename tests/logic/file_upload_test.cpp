#include <gtest/gtest.h>

#include <filesystem>

#include <unistd.h>

#include "link/file_upload.h"
#include "support/temp_folder.h"

namespace tessellux::link {
namespace {

namespace fs = std::filesystem;

class FileUploadTest : public ::testing::Test {
 protected:
  // A file of `size` bytes that are not all alike.
  std::string Write(std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 0xA9);
    return dir_.Write("upload.bin", bytes);
  }

  testing::TempFolder dir_;
};

TEST_F(FileUploadTest, PiecesOfAtMostAThousandBytes) {
  const struct {
    std::size_t size;
    std::vector<std::size_t> pieces;
  } cases[] = {{0, {0}}, {1000, {1000}}, {1001, {1000, 1}}, {2500, {1000, 1000, 500}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    const std::string path = Write(c.size);
    const Bytes content = testing::ReadAll(path);
    FileUpload upload(path);
    Bytes joined;
    std::vector<std::size_t> pieces;
    for (int guard = 0; guard < 10; ++guard) {
      const auto message = upload.NextMessage();
      if (!message) break;
      EXPECT_EQ((*message)[0], pieces.empty() ? 0x31 : 0x32);
      pieces.push_back(message->size() - 1);
      joined.insert(joined.end(), message->begin() + 1, message->end());
    }
    EXPECT_FALSE(upload.Failed());
    EXPECT_EQ(pieces, c.pieces);
    EXPECT_EQ(joined, content);
  }
}

TEST_F(FileUploadTest, MissingFolderOrShrinkingFileFails) {
  const std::string missing = dir_ / "missing.zip";
  FileUpload upload(missing);
  EXPECT_FALSE(upload.NextMessage());
  EXPECT_TRUE(upload.Failed());
  EXPECT_EQ(upload.Failure().title, "File Not Sent");
  EXPECT_EQ(upload.Failure().paragraphs,
            std::vector<std::string>{"The file " + missing + " could not be read, so it was not sent to the Code Generator."});

  FileUpload folder(dir_.path().string());
  EXPECT_FALSE(folder.NextMessage());
  EXPECT_TRUE(folder.Failed());

  const std::string path = Write(2500);
  FileUpload shrinking(path);  // the length is taken here, once
  fs::resize_file(path, 1500);
  ASSERT_TRUE(shrinking.NextMessage());
  EXPECT_FALSE(shrinking.NextMessage());
  EXPECT_TRUE(shrinking.Failed());
}

TEST_F(FileUploadTest, UnreadableFileFails) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads any file";
  const std::string path = Write(10);
  fs::permissions(path, fs::perms::none);
  FileUpload unreadable(path);
  EXPECT_FALSE(unreadable.NextMessage());
  EXPECT_TRUE(unreadable.Failed());
}

}  // namespace
}  // namespace tessellux::link
