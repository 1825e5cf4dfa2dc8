#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "link/file_upload.h"

namespace tessellux::link {
namespace {

namespace fs = std::filesystem;

class FileUploadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("tessellux_upload_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string WriteFile(const Bytes& content) {
    const fs::path path = dir_ / "upload.bin";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(content.data()), static_cast<std::streamsize>(content.size()));
    return path.string();
  }

  static Bytes Pattern(std::size_t size) {
    Bytes b(size);
    for (std::size_t i = 0; i < size; ++i) b[i] = static_cast<std::uint8_t>(i * 7 + 0xA9);
    return b;
  }

  static std::vector<Bytes> AllMessages(FileUpload& upload) {
    std::vector<Bytes> messages;
    for (int guard = 0; guard < 100; ++guard) {
      auto message = upload.NextMessage();
      if (!message) break;
      messages.push_back(std::move(*message));
    }
    return messages;
  }

  fs::path dir_;
};

TEST_F(FileUploadTest, EmptyFileSendsOneBareFirstCode) {
  FileUpload upload(WriteFile({}));
  EXPECT_EQ(AllMessages(upload), std::vector<Bytes>{Bytes{0x31}});
  EXPECT_FALSE(upload.Failed());
}

TEST_F(FileUploadTest, PiecesOfAtMostAThousandBytes) {
  for (const std::size_t size : {1u, 999u, 1000u, 1001u, 2500u}) {
    SCOPED_TRACE(size);
    const Bytes content = Pattern(size);
    FileUpload upload(WriteFile(content));
    const auto messages = AllMessages(upload);
    ASSERT_FALSE(upload.Failed());
    ASSERT_EQ(messages.size(), (size + 999) / 1000);
    Bytes joined;
    for (std::size_t i = 0; i < messages.size(); ++i) {
      EXPECT_EQ(messages[i][0], i == 0 ? 0x31 : 0x32);
      EXPECT_EQ(messages[i].size() - 1, std::min<std::size_t>(1000, size - 1000 * i));
      joined.insert(joined.end(), messages[i].begin() + 1, messages[i].end());
    }
    EXPECT_EQ(joined, content);
  }
}

TEST_F(FileUploadTest, StopsWhenTheCallerStops) {
  FileUpload upload(WriteFile(Pattern(2500)));
  ASSERT_TRUE(upload.NextMessage());
  ASSERT_TRUE(upload.NextMessage());
  // The caller's second exchange failed: it simply asks for nothing more.
  EXPECT_FALSE(upload.Failed());
}

TEST_F(FileUploadTest, MissingFileOrFolderFailsWithAWarningNamingIt) {
  const std::string missing = (dir_ / "missing.zip").string();
  FileUpload upload(missing);
  EXPECT_FALSE(upload.NextMessage());
  EXPECT_TRUE(upload.Failed());
  EXPECT_EQ(upload.Failure().title, "File Not Sent");
  EXPECT_EQ(upload.Failure().text,
            "The file " + missing + " could not be read, so it was not sent to the Code Generator.");

  FileUpload folder(dir_.string());
  EXPECT_FALSE(folder.NextMessage());
  EXPECT_TRUE(folder.Failed());
}

TEST_F(FileUploadTest, UnreadableFileFails) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads any file";
  const std::string path = WriteFile(Pattern(10));
  fs::permissions(path, fs::perms::none);
  FileUpload upload(path);
  EXPECT_FALSE(upload.NextMessage());
  EXPECT_TRUE(upload.Failed());
}

TEST_F(FileUploadTest, FileThatShrinksWhileSendingFails) {
  const std::string path = WriteFile(Pattern(2500));
  FileUpload upload(path);  // the length is taken here, once
  fs::resize_file(path, 1500);
  ASSERT_TRUE(upload.NextMessage());
  EXPECT_FALSE(upload.NextMessage());
  EXPECT_TRUE(upload.Failed());
  EXPECT_FALSE(upload.NextMessage());
}

}  // namespace
}  // namespace tessellux::link
