#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include <unistd.h>

#include "output/atomic_file.h"
#include "output/bmp_size.h"
#include "output/picture_assembly.h"

namespace tessellux::output {
namespace {

namespace fs = std::filesystem;

Bytes Reply(std::string_view payload) {
  Bytes reply = ToBytes(payload);
  reply.insert(reply.begin(), {0x62, 0x00});
  return reply;
}

TEST(PictureAssembly, PiecesInArrivalOrderOrMirrored) {
  PictureAssembly plain;
  ASSERT_TRUE(plain.SetHeader(Reply("H")));
  for (const char* piece : {"A", "B", "C"}) ASSERT_TRUE(plain.AddPiece(Reply(piece), false));
  EXPECT_EQ(plain.Join(), ToBytes("HABC"));

  PictureAssembly mirrored;
  mirrored.SetHeader(Reply("H"));
  for (const char* piece : {"A", "B", "C"}) mirrored.AddPiece(Reply(piece), true);
  EXPECT_EQ(mirrored.Join(), ToBytes("HCBA"));
}

TEST(PictureAssembly, MirrorIsReadPerPiece) {
  PictureAssembly assembly;
  assembly.SetHeader(Reply("H"));
  assembly.AddPiece(Reply("A"), false);
  assembly.AddPiece(Reply("B"), true);
  assembly.AddPiece(Reply("C"), false);
  EXPECT_EQ(assembly.Join(), ToBytes("HBAC"));
}

TEST(PictureAssembly, HeaderAloneAndEmptyPieces) {
  PictureAssembly assembly;
  assembly.SetHeader(Reply("HEAD"));
  EXPECT_EQ(assembly.Join(), ToBytes("HEAD"));
  assembly.AddPiece(Reply(""), false);
  assembly.AddPiece(Bytes{0x62}, false);  // shorter than a reply: no bytes
  EXPECT_EQ(assembly.Join(), ToBytes("HEAD"));
  EXPECT_EQ(assembly.Size(), 4u);
}

TEST(PictureAssembly, RefusesToGrowBeyondItsLimit) {
  PictureAssembly assembly(6);
  ASSERT_TRUE(assembly.SetHeader(Reply("HH")));
  EXPECT_TRUE(assembly.AddPiece(Reply("ABCD"), false));
  EXPECT_FALSE(assembly.AddPiece(Reply("E"), false));
  EXPECT_EQ(assembly.Join(), ToBytes("HHABCD"));
  // A new header replaces the old one in the count.
  EXPECT_TRUE(assembly.SetHeader(Reply("X")));
  EXPECT_FALSE(assembly.SetHeader(Reply("XYZ")));
  EXPECT_EQ(assembly.Join(), ToBytes("XABCD"));
}

class AtomicWriteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("tessellux_atomic_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  static Bytes Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::size_t EntriesInDir() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));
  }

  fs::path dir_;
};

TEST_F(AtomicWriteTest, ReplacesTheFileAndLeavesNoTemporary) {
  const fs::path target = dir_ / "Tessellux.bmp";
  std::string error;
  ASSERT_TRUE(WriteFileAtomically(target.string(), ToBytes("old picture"), &error)) << error;
  ASSERT_TRUE(WriteFileAtomically(target.string(), ToBytes("new"), &error)) << error;
  EXPECT_EQ(Read(target), ToBytes("new"));
  EXPECT_EQ(EntriesInDir(), 1u);
  ASSERT_TRUE(WriteFileAtomically(target.string(), Bytes{}, &error)) << error;
  EXPECT_EQ(fs::file_size(target), 0u);
}

TEST_F(AtomicWriteTest, FailureKeepsTheOldFileAndSaysWhy) {
  // The target is a non-empty folder: rename cannot replace it.
  const fs::path target = dir_ / "busy";
  fs::create_directories(target / "inside");
  std::string error;
  EXPECT_FALSE(WriteFileAtomically(target.string(), ToBytes("x"), &error));
  EXPECT_NE(error.find(target.string()), std::string::npos) << error;
  EXPECT_TRUE(fs::is_directory(target / "inside"));
  EXPECT_EQ(EntriesInDir(), 1u);

  // A folder that does not exist: nothing can be created there.
  EXPECT_FALSE(WriteFileAtomically((dir_ / "no" / "file.bmp").string(), ToBytes("x"), nullptr));
  EXPECT_EQ(EntriesInDir(), 1u);
}

Bytes BmpHeader(std::int32_t width, std::int32_t height, std::uint32_t info_size = 40) {
  Bytes b(54, 0);
  b[0] = 'B';
  b[1] = 'M';
  auto put = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  put(14, info_size);
  put(18, static_cast<std::uint32_t>(width));
  put(22, static_cast<std::uint32_t>(height));
  return b;
}

TEST(BmpSize, ReadsWidthAndHeightEitherWayUp) {
  const auto bottom_up = ReadBmpSize(BmpHeader(74, 42));
  ASSERT_TRUE(bottom_up);
  EXPECT_EQ(bottom_up->width, 74);
  EXPECT_EQ(bottom_up->height, 42);
  const auto top_down = ReadBmpSize(BmpHeader(300, -200, 124));
  ASSERT_TRUE(top_down);
  EXPECT_EQ(top_down->height, 200);
}

TEST(BmpSize, ReadsTheOldCoreHeader) {
  Bytes b(26, 0);
  b[0] = 'B';
  b[1] = 'M';
  b[14] = 12;
  b[18] = 0x2C;  // 300
  b[19] = 0x01;
  b[20] = 7;
  const auto size = ReadBmpSize(b);
  ASSERT_TRUE(size);
  EXPECT_EQ(size->width, 300);
  EXPECT_EQ(size->height, 7);
}

TEST(BmpSize, RefusesWhatIsNotABmpHeader) {
  EXPECT_FALSE(ReadBmpSize(Bytes{}));
  EXPECT_FALSE(ReadBmpSize(ToBytes("BM")));
  Bytes jpeg = BmpHeader(1, 1);
  jpeg[0] = 0xFF;
  EXPECT_FALSE(ReadBmpSize(jpeg));
  EXPECT_FALSE(ReadBmpSize(BmpHeader(-5, 5)));
  EXPECT_FALSE(ReadBmpSize(BmpHeader(5, INT32_MIN)));
  EXPECT_FALSE(ReadBmpSize(BmpHeader(5, 5, 13)));
  Bytes cut = BmpHeader(5, 5);
  cut.resize(25);
  EXPECT_FALSE(ReadBmpSize(cut));
}

}  // namespace
}  // namespace tessellux::output
