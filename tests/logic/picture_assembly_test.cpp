#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

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
  const auto shape = ReadBmpShape(Header(33, 5), 1 << 20);
  ASSERT_TRUE(shape) << shape.error();
  EXPECT_EQ(shape->row_bytes, 8u);  // 33 bits round up to two 32-bit words
  EXPECT_EQ(shape->header_size, 62u);
  EXPECT_EQ(ReadBmpShape(Header(10, 3, 24), 1 << 20)->row_bytes, 32u);

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
    const auto shape = ReadBmpShape(c.header, 64 << 20);
    ASSERT_FALSE(shape) << c.what;
    EXPECT_FALSE(shape.error().empty()) << c.what;
  }
}

TEST(PictureAssembly, RowsInOrderOrMirroredAndOnlyAsManyAsTheHeaderSays) {
  const auto build = [](bool mirror) {
    PictureAssembly picture;
    EXPECT_TRUE(picture.SetHeader(Reply(Header(8, 3))));
    for (std::uint8_t row : {'A', 'B', 'C'}) EXPECT_TRUE(picture.AddPiece(Reply(Bytes(4, row))));
    EXPECT_TRUE(picture.Complete());
    const app::Result<> beyond = picture.AddPiece(Reply(Bytes(4, 'D')));
    EXPECT_FALSE(beyond) << "a row beyond the height";
    if (!beyond) {
      EXPECT_NE(beyond.error().find("more rows"), std::string::npos) << beyond.error();
    }
    Bytes joined = std::move(picture).Join(mirror);
    return Bytes(joined.begin() + 62, joined.end());
  };
  EXPECT_EQ(build(false), ToBytes("AAAABBBBCCCC"));
  EXPECT_EQ(build(true), ToBytes("CCCCBBBBAAAA"));

  for (const Bytes& bad : {Reply({}), Bytes{0x62}, Reply(Bytes(13, 'x'))}) {
    PictureAssembly picture;
    ASSERT_TRUE(picture.SetHeader(Reply(Header(8, 3))));
    const app::Result<> refused = picture.AddPiece(bad);
    ASSERT_FALSE(refused) << "piece of " << bad.size() << " reply bytes";
    EXPECT_FALSE(refused.error().empty());
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
    EXPECT_TRUE(picture.SetHeader(Reply(Header(8, 4))));
    std::size_t at = 0;
    for (std::size_t size : piece_sizes) {
      EXPECT_FALSE(picture.Complete()) << "complete before byte " << at;
      EXPECT_TRUE(picture.AddPiece(Reply(Bytes(pixels.begin() + at, pixels.begin() + at + size))));
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
  ASSERT_TRUE(picture.SetHeader(Reply(Header(8, 3))));
  ASSERT_TRUE(picture.AddPiece(Reply(Bytes(6, 'x'))));
  EXPECT_EQ(picture.RowsReceived(), 1) << "a row and a half";
  const app::Result<> beyond = picture.AddPiece(Reply(Bytes(7, 'y')));
  ASSERT_FALSE(beyond) << "one byte beyond the header's 12";
  EXPECT_NE(beyond.error().find("13 pixel bytes where the header says 12"), std::string::npos) << beyond.error();
  EXPECT_EQ(picture.RowsReceived(), 1) << "the refused piece is not kept";
  EXPECT_TRUE(picture.AddPiece(Reply(Bytes(6, 'y'))));
  EXPECT_TRUE(picture.Complete());
}

}  // namespace
}  // namespace tessellux::output
