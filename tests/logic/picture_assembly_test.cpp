#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

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

TEST(PictureAssembly, MirroredPiecesGoInFrontOneByOne) {
  const auto join = [](std::array<bool, 3> mirror) {
    PictureAssembly assembly;
    assembly.SetHeader(Reply("H"));
    for (int i = 0; i < 3; ++i) assembly.AddPiece(Reply(std::string(1, char('A' + i))), mirror[i]);
    return assembly.Join();
  };
  EXPECT_EQ(join({false, false, false}), ToBytes("HABC"));
  EXPECT_EQ(join({true, true, true}), ToBytes("HCBA"));
  EXPECT_EQ(join({false, true, false}), ToBytes("HBAC"));
}

TEST(PictureAssembly, HeaderAloneEmptyPiecesAndTheLimit) {
  PictureAssembly assembly;
  assembly.SetHeader(Reply("HEAD"));
  EXPECT_EQ(assembly.Join(), ToBytes("HEAD"));
  assembly.AddPiece(Reply(""), false);
  assembly.AddPiece(Bytes{0x62}, false);  // shorter than a reply: no bytes
  EXPECT_EQ(assembly.Join(), ToBytes("HEAD"));

  PictureAssembly limited(6);
  ASSERT_TRUE(limited.SetHeader(Reply("HH")));
  EXPECT_TRUE(limited.AddPiece(Reply("ABCD"), false));
  EXPECT_FALSE(limited.AddPiece(Reply("E"), false));
  EXPECT_TRUE(limited.SetHeader(Reply("X")));  // a new header replaces the old one in the count
  EXPECT_FALSE(limited.SetHeader(Reply("XYZ")));
  EXPECT_EQ(limited.Join(), ToBytes("XABCD"));
}

TEST(AtomicWrite, ReplacesTheFileOrKeepsTheOldOneAndSaysWhy) {
  const fs::path dir = fs::temp_directory_path() / ("tessellux_atomic_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const auto entries = [&] { return std::distance(fs::directory_iterator(dir), fs::directory_iterator()); };
  const fs::path target = dir / "Tessellux.bmp";
  std::string error;
  ASSERT_TRUE(WriteFileAtomically(target.string(), ToBytes("old picture"), &error)) << error;
  ASSERT_TRUE(WriteFileAtomically(target.string(), ToBytes("new"), &error)) << error;
  std::ifstream in(target, std::ios::binary);
  EXPECT_EQ(Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), ToBytes("new"));
  EXPECT_EQ(entries(), 1) << "no temporary file is left";

  // A non-empty folder cannot be replaced by rename; a missing folder takes nothing.
  const fs::path busy = dir / "busy";
  fs::create_directories(busy / "inside");
  EXPECT_FALSE(WriteFileAtomically(busy.string(), ToBytes("x"), &error));
  EXPECT_NE(error.find(busy.string()), std::string::npos) << error;
  EXPECT_TRUE(fs::is_directory(busy / "inside"));
  EXPECT_FALSE(WriteFileAtomically((dir / "no" / "file.bmp").string(), ToBytes("x"), nullptr));
  EXPECT_EQ(entries(), 2);
  fs::remove_all(dir);
}

Bytes BmpHeader(std::int32_t width, std::int32_t height, std::uint32_t info_size = 40) {
  Bytes b(54, 0);
  b[0] = 'B';
  b[1] = 'M';
  const auto put = [&](std::size_t at, std::uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  put(14, info_size);
  put(18, static_cast<std::uint32_t>(width));
  put(22, static_cast<std::uint32_t>(height));
  return b;
}

TEST(BmpSize, ReadsWidthAndHeightEitherWayUpAndTheOldCoreHeader) {
  const auto bottom_up = ReadBmpSize(BmpHeader(74, 42));
  ASSERT_TRUE(bottom_up);
  EXPECT_EQ(bottom_up->width, 74);
  EXPECT_EQ(bottom_up->height, 42);
  EXPECT_EQ(ReadBmpSize(BmpHeader(300, -200, 124))->height, 200);
  Bytes core(26, 0);  // 12-byte header with 16-bit fields: 300 x 7
  core[0] = 'B';
  core[1] = 'M';
  core[14] = 12;
  core[18] = 0x2C;
  core[19] = 0x01;
  core[20] = 7;
  ASSERT_TRUE(ReadBmpSize(core));
  EXPECT_EQ(ReadBmpSize(core)->width, 300);
  EXPECT_EQ(ReadBmpSize(core)->height, 7);
}

TEST(BmpSize, RefusesWhatIsNotABmpHeader) {
  Bytes jpeg = BmpHeader(1, 1);
  jpeg[0] = 0xFF;
  Bytes cut = BmpHeader(5, 5);
  cut.resize(25);
  for (const Bytes& bad : {Bytes{}, ToBytes("BM"), jpeg, cut, BmpHeader(-5, 5), BmpHeader(5, INT32_MIN),
                           BmpHeader(5, 5, 13)}) {
    EXPECT_FALSE(ReadBmpSize(bad)) << bad.size();
  }
}

}  // namespace
}  // namespace tessellux::output
