// Reading BMP files: the orders, depths and palettes a reader may be handed,
// and files that are short, garbled or claim absurd sizes.

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <variant>

#include "symbol/raster.h"
#include "tests/symbol/raster_test_util.h"

namespace tessellux::symbol {
namespace {

void Put16(Bytes& b, std::uint32_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(Bytes& b, std::uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
void Set32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int k = 0; k < 4; ++k) b[at + k] = static_cast<std::uint8_t>(v >> (8 * k));
}

// A BMP file; pixel(x, y) gives the stored value of image pixel (x, y), y = 0 the top.
Bytes MakeFile(int width, int height, int bits, const std::vector<std::uint32_t>& palette,
               const std::function<std::uint32_t(int, int)>& pixel) {
  const std::size_t stride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
  const int rows = height < 0 ? -height : height;
  const std::uint32_t offset = 54 + 4 * static_cast<std::uint32_t>(palette.size());
  Bytes b{'B', 'M'};
  Put32(b, offset + static_cast<std::uint32_t>(stride * rows));
  Put32(b, 0);
  Put32(b, offset);
  Put32(b, 40);
  Put32(b, static_cast<std::uint32_t>(width));
  Put32(b, static_cast<std::uint32_t>(height));
  Put16(b, 1);
  Put16(b, static_cast<std::uint32_t>(bits));
  for (std::uint32_t v : {0u, 0u, 0u, 0u, static_cast<std::uint32_t>(palette.size()), 0u}) Put32(b, v);
  for (std::uint32_t colour : palette) Put32(b, colour);
  for (int k = 0; k < rows; ++k) {
    const int y = height > 0 ? rows - 1 - k : k;
    Bytes row(stride, 0);
    for (int x = 0; x < width; ++x) {
      const std::uint32_t v = pixel(x, y);
      if (bits >= 24) {
        for (int c = 0; c < 3; ++c)
          row[static_cast<std::size_t>(x) * (bits / 8) + c] = static_cast<std::uint8_t>(v >> (8 * c));
      } else {
        const std::size_t bit = static_cast<std::size_t>(x) * bits;
        row[bit / 8] |= static_cast<std::uint8_t>(v << (8 - bits - bit % 8));
      }
    }
    b.insert(b.end(), row.begin(), row.end());
  }
  return b;
}

// The test picture: black where (x * 3 + y) % 5 == 0.
bool Dark(int x, int y) { return (x * 3 + y) % 5 == 0; }

void ExpectPicture(const std::variant<Bitmap, std::string>& parsed, int width, int height) {
  ASSERT_TRUE(std::holds_alternative<Bitmap>(parsed)) << std::get<std::string>(parsed);
  const Bitmap& bitmap = std::get<Bitmap>(parsed);
  ASSERT_EQ(bitmap.width, width);
  ASSERT_EQ(bitmap.height, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) ASSERT_EQ(bitmap.black(x, y), Dark(x, y)) << x << "," << y;
  }
}

constexpr std::uint32_t kBlack = 0x000000, kWhite = 0xFFFFFF;

TEST(RasterBmp, OneBitBottomUpAndTopDown) {
  for (int width : {1, 7, 8, 9, 31, 32, 33}) {
    auto pixel = [](int x, int y) -> std::uint32_t { return Dark(x, y) ? 0 : 1; };
    ExpectPicture(ParseBmp(MakeFile(width, 5, 1, {kBlack, kWhite}, pixel)), width, 5);
    ExpectPicture(ParseBmp(MakeFile(width, -5, 1, {kBlack, kWhite}, pixel)), width, 5);
  }
}

TEST(RasterBmp, PaletteOrderIsHonoured) {
  auto pixel = [](int x, int y) -> std::uint32_t { return Dark(x, y) ? 1 : 0; };
  ExpectPicture(ParseBmp(MakeFile(13, 4, 1, {kWhite, kBlack}, pixel)), 13, 4);
}

TEST(RasterBmp, OtherDepths) {
  std::vector<std::uint32_t> grey(256);
  for (std::uint32_t k = 0; k < 256; ++k) grey[k] = k * 0x010101;
  auto grey_pixel = [](int x, int y) -> std::uint32_t { return Dark(x, y) ? 20 : 230; };
  ExpectPicture(ParseBmp(MakeFile(11, 6, 8, grey, grey_pixel)), 11, 6);
  auto four_bit = [](int x, int y) -> std::uint32_t { return Dark(x, y) ? 3 : 12; };
  std::vector<std::uint32_t> sixteen(16);
  for (std::uint32_t k = 0; k < 16; ++k) sixteen[k] = k * 0x111111;
  ExpectPicture(ParseBmp(MakeFile(11, 6, 4, sixteen, four_bit)), 11, 6);
  auto colour = [](int x, int y) -> std::uint32_t { return Dark(x, y) ? 0x102030 : 0xF0E0D0; };
  ExpectPicture(ParseBmp(MakeFile(11, -6, 24, {}, colour)), 11, 6);
  ExpectPicture(ParseBmp(MakeFile(11, 6, 32, {}, colour)), 11, 6);
}

TEST(RasterBmp, ServiceFilesReadBackUprightOrMirrored) {
  const Raster raster = test::MakeRaster(1, 1, 5, Style::Dots, 1);
  const Bitmap upright = test::ToBitmap(raster), mirrored = test::ToBitmap(raster, true);
  for (int y = 0; y < upright.height; ++y) {
    for (int x = 0; x < upright.width; ++x)
      ASSERT_EQ(upright.black(x, y), mirrored.black(x, upright.height - 1 - y));
  }
}

void ExpectRejected(const Bytes& file, const char* why) {
  const auto parsed = ParseBmp(file);
  EXPECT_TRUE(std::holds_alternative<std::string>(parsed)) << why;
}

Bytes SmallFile() {
  return MakeFile(20, 3, 1, {kBlack, kWhite}, [](int x, int y) -> std::uint32_t { return Dark(x, y) ? 0 : 1; });
}

TEST(RasterBmp, EveryTruncationIsRejected) {
  const Bytes file = SmallFile();
  for (std::size_t n = 0; n < file.size(); ++n) ExpectRejected(Bytes(file.begin(), file.begin() + n), "truncated");
}

TEST(RasterBmp, BadHeadersAreRejected) {
  Bytes f = SmallFile();
  f[0] = 'X';
  ExpectRejected(f, "magic");
  f = SmallFile();
  Set32(f, 18, 1u << 30);  // width: the file holds far fewer pixels
  Set32(f, 22, 1u << 30);
  ExpectRejected(f, "huge dimensions");
  f = SmallFile();
  Set32(f, 18, 0x7FFFFFFF);
  Set32(f, 22, 0x80000000);  // most negative height
  ExpectRejected(f, "overflowing dimensions");
  f = SmallFile();
  Set32(f, 18, static_cast<std::uint32_t>(-20));
  ExpectRejected(f, "negative width");
  f = SmallFile();
  Set32(f, 22, 0);
  ExpectRejected(f, "zero height");
  f = SmallFile();
  f[28] = 16;
  ExpectRejected(f, "16 bits per pixel");
  f = SmallFile();
  f[30] = 1;
  ExpectRejected(f, "run-length compressed");
  f = SmallFile();
  Set32(f, 10, 20);  // pixel data inside the header
  ExpectRejected(f, "data offset before the palette");
  f = SmallFile();
  Set32(f, 10, 0xFFFFFFF0);
  ExpectRejected(f, "data offset past the end");
  f = SmallFile();
  Set32(f, 14, 0xFFFFFFFF);
  ExpectRejected(f, "info header size");
  f = SmallFile();
  Set32(f, 46, 3);  // three palette entries for one bit
  ExpectRejected(f, "palette too large");
}

TEST(RasterBmp, PixelNamingAMissingPaletteEntry) {
  const Bytes f = MakeFile(4, 1, 1, {kBlack}, [](int, int) -> std::uint32_t { return 1; });
  ExpectRejected(f, "index 1 with one palette entry");
}

TEST(RasterBmp, GarbageNeverCrashes) {
  std::mt19937 rng(11);
  const Bytes good = SmallFile();
  for (int round = 0; round < 300; ++round) {
    Bytes f = good;
    for (int k = 0; k < 4; ++k) f[rng() % f.size()] = static_cast<std::uint8_t>(rng());
    (void)ParseBmp(f);
    Bytes noise(rng() % 200, 0);
    for (auto& b : noise) b = static_cast<std::uint8_t>(rng());
    if (noise.size() > 2) {
      noise[0] = 'B';
      noise[1] = 'M';
    }
    (void)ParseBmp(noise);
  }
}

}  // namespace
}  // namespace tessellux::symbol
