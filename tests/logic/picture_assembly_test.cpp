#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "output/atomic_file.h"
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

}  // namespace
}  // namespace tessellux::output
