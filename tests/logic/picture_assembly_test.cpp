#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "output/atomic_file.h"
#include "output/picture_assembly.h"
#include "support/bmp_header.h"
#include "support/temp_folder.h"

namespace tessellux::output {
namespace {

namespace fs = std::filesystem;

// A 62-byte header of a 1-bit BMP (rows of 4 bytes up to 32 pixels wide).
Bytes Header(std::int32_t width, std::int32_t height, std::uint16_t bits = 1) {
  return tessellux::testing::BmpHeader(width, height, bits);
}
using tessellux::testing::Put32;

Bytes Reply(Bytes payload) {
  payload.insert(payload.begin(), {0x62, 0x00});
  return payload;
}

TEST(BmpShape, AcceptsUsableHeadersOnly) {
  std::string error;
  const auto shape = ReadBmpShape(Header(33, 5), 1 << 20, &error);
  ASSERT_TRUE(shape) << error;
  EXPECT_EQ(shape->row_bytes, 8u);  // 33 bits round up to two 32-bit words
  EXPECT_EQ(shape->header_size, 62u);
  EXPECT_EQ(ReadBmpShape(Header(10, 3, 24), 1 << 20, &error)->row_bytes, 32u);

  Bytes wrong_offset = Header(8, 8);
  Put32(wrong_offset, 10, 100);
  Bytes compressed = Header(8, 8);
  compressed[30] = 1;
  const struct {
    const char* what;
    Bytes header;
  } refused[] = {
      {"10 bytes", Bytes(10, 'B')},
      {"not BM", Bytes(62, 0)},
      {"negative height", Header(8, -8)},
      {"zero width", Header(0, 8)},
      {"40000 x 40000 over the limit", Header(40000, 40000)},
      {"pixels not after the header", wrong_offset},
      {"compressed", compressed},
      {"2 bits per pixel", Header(8, 8, 2)},
  };
  for (const auto& c : refused) {
    error.clear();
    EXPECT_FALSE(ReadBmpShape(c.header, 64 << 20, &error)) << c.what;
    EXPECT_FALSE(error.empty()) << c.what;
  }
}

TEST(PictureAssembly, RowsInOrderOrMirroredAndOnlyAsManyAsTheHeaderSays) {
  const auto build = [](bool mirror) {
    PictureAssembly picture;
    std::string error;
    EXPECT_TRUE(picture.SetHeader(Reply(Header(8, 3)), &error)) << error;
    for (std::uint8_t row : {'A', 'B', 'C'}) EXPECT_TRUE(picture.AddPiece(Reply(Bytes(4, row)), &error)) << error;
    EXPECT_TRUE(picture.Complete());
    EXPECT_FALSE(picture.AddPiece(Reply(Bytes(4, 'D')), &error)) << "a row beyond the height";
    EXPECT_NE(error.find("more rows"), std::string::npos) << error;
    Bytes joined = std::move(picture).Join(mirror);
    return Bytes(joined.begin() + 62, joined.end());
  };
  EXPECT_EQ(build(false), ToBytes("AAAABBBBCCCC"));
  EXPECT_EQ(build(true), ToBytes("CCCCBBBBAAAA"));

  for (const Bytes& bad : {Reply({}), Bytes{0x62}, Reply(Bytes(13, 'x'))}) {
    PictureAssembly picture;
    std::string error;
    ASSERT_TRUE(picture.SetHeader(Reply(Header(8, 3)), &error));
    EXPECT_FALSE(picture.AddPiece(bad, &error)) << "piece of " << bad.size() << " reply bytes";
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(picture.RowsReceived(), 0);
    EXPECT_FALSE(picture.Complete());
  }
}

// The Code Generator may split the pixels over its replies as it likes; the
// picture is the same however they come, mirrored by whole rows.
TEST(PictureAssembly, AnySplitOfThePixelsGivesTheSamePicture) {
  const Bytes pixels = ToBytes("AAAABBBBCCCCDDDD");
  const auto build = [&](const std::vector<std::size_t>& piece_sizes, bool mirror) {
    PictureAssembly picture;
    std::string error;
    EXPECT_TRUE(picture.SetHeader(Reply(Header(8, 4)), &error)) << error;
    std::size_t at = 0;
    for (std::size_t size : piece_sizes) {
      EXPECT_FALSE(picture.Complete()) << "complete before byte " << at;
      EXPECT_TRUE(picture.AddPiece(Reply(Bytes(pixels.begin() + at, pixels.begin() + at + size)), &error)) << error;
      at += size;
    }
    EXPECT_TRUE(picture.Complete());
    EXPECT_EQ(picture.RowsReceived(), 4);
    Bytes joined = std::move(picture).Join(mirror);
    return Bytes(joined.begin() + 62, joined.end());
  };
  const struct {
    const char* what;
    std::vector<std::size_t> pieces;
  } splits[] = {
      {"two rows per piece", {8, 8}},
      {"half a row per piece", {2, 2, 2, 2, 2, 2, 2, 2}},
      {"mixed", {1, 7, 5, 3}},
      {"all in one", {16}},
  };
  for (const auto& split : splits) {
    SCOPED_TRACE(split.what);
    EXPECT_EQ(build(split.pieces, false), build({4, 4, 4, 4}, false));
    EXPECT_EQ(build(split.pieces, true), ToBytes("DDDDCCCCBBBBAAAA"));
  }
}

TEST(PictureAssembly, PartRowsCountAsRowsOnlyWhenWholeAndNeverPassTheHeader) {
  PictureAssembly picture;
  std::string error;
  ASSERT_TRUE(picture.SetHeader(Reply(Header(8, 3)), &error));
  ASSERT_TRUE(picture.AddPiece(Reply(Bytes(6, 'x')), &error)) << error;
  EXPECT_EQ(picture.RowsReceived(), 1) << "a row and a half";
  EXPECT_FALSE(picture.AddPiece(Reply(Bytes(7, 'y')), &error)) << "one byte beyond the header's 12";
  EXPECT_NE(error.find("13 pixel bytes where the header says 12"), std::string::npos) << error;
  EXPECT_EQ(picture.RowsReceived(), 1) << "the refused piece is not kept";
  EXPECT_TRUE(picture.AddPiece(Reply(Bytes(6, 'y')), &error)) << error;
  EXPECT_TRUE(picture.Complete());
}

TEST(AtomicWrite, ReplacesTheFileOrKeepsTheOldOneAndSaysWhy) {
  const tessellux::testing::TempFolder folder;
  const fs::path& dir = folder.path();
  const auto entries = [&] { return std::distance(fs::directory_iterator(dir), fs::directory_iterator()); };
  const fs::path target = dir / "Tessellux.bmp";
  std::string error;
  ASSERT_TRUE(WriteFileAtomically(target.string(), ToBytes("old picture"), &error)) << error;
  ASSERT_TRUE(WriteFileAtomically(target.string(), ToBytes("new"), &error)) << error;
  EXPECT_EQ(tessellux::testing::ReadAll(target), ToBytes("new"));
  EXPECT_EQ(entries(), 1) << "no temporary file is left";

  // A non-empty folder cannot be replaced by rename; a missing folder takes nothing.
  const fs::path busy = dir / "busy";
  fs::create_directories(busy / "inside");
  EXPECT_FALSE(WriteFileAtomically(busy.string(), ToBytes("x"), &error));
  EXPECT_NE(error.find(busy.string()), std::string::npos) << error;
  EXPECT_TRUE(fs::is_directory(busy / "inside"));
  EXPECT_FALSE(WriteFileAtomically((dir / "no" / "file.bmp").string(), ToBytes("x"), nullptr));
  EXPECT_EQ(entries(), 2);
}

}  // namespace
}  // namespace tessellux::output
