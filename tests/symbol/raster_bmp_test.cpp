// BMP files: the header the service sends, and reading the orders, depths and
// palettes a reader may be handed; files that are short, garbled or claim
// absurd sizes are refused.

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <variant>

#include "symbol/raster.h"
#include "tests/symbol/symbol_test_support.h"

namespace tessellux::symbol {
namespace {

void Set(Bytes& b, std::size_t at, std::uint32_t v, int size = 4) {
  for (int k = 0; k < size; ++k) b[at + k] = static_cast<std::uint8_t>(v >> (8 * k));
}

std::uint32_t Le32(const Bytes& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

// The test picture: black where (x * 3 + y) % 5 == 0.
bool Dark(int x, int y) { return (x * 3 + y) % 5 == 0; }

// A BMP file of the test picture, stored as `dark` or `light` values;
// negative height = rows top-down.
Bytes MakeFile(int width, int height, int bits, const std::vector<std::uint32_t>& palette, std::uint32_t dark,
               std::uint32_t light) {
  const std::size_t stride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4, rows = std::abs(height);
  const std::uint32_t offset = 54 + 4 * static_cast<std::uint32_t>(palette.size());
  Bytes b(offset + stride * rows, 0);
  b[0] = 'B', b[1] = 'M';
  const std::pair<std::size_t, std::uint32_t> header[] = {
      {2, static_cast<std::uint32_t>(b.size())}, {10, offset}, {14, 40}, {18, static_cast<std::uint32_t>(width)},
      {22, static_cast<std::uint32_t>(height)}, {26, 1u | static_cast<std::uint32_t>(bits) << 16},
      {46, static_cast<std::uint32_t>(palette.size())}};
  for (auto [at, v] : header) Set(b, at, v);
  for (std::size_t k = 0; k < palette.size(); ++k) Set(b, 54 + 4 * k, palette[k]);
  for (std::size_t k = 0; k < rows; ++k) {
    const int y = height > 0 ? static_cast<int>(rows - 1 - k) : static_cast<int>(k);
    for (int x = 0; x < width; ++x) {
      const std::uint32_t v = Dark(x, y) ? dark : light;
      const std::size_t bit = 8 * (offset + k * stride) + static_cast<std::size_t>(x) * bits;
      if (bits < 24) b[bit / 8] |= static_cast<std::uint8_t>(v << (8 - bits - bit % 8));
      if (bits >= 24) Set(b, bit / 8, v, 3);
    }
  }
  return b;
}

constexpr std::uint32_t kBlack = 0x000000, kWhite = 0xFFFFFF;

Bytes SmallFile() { return MakeFile(20, 3, 1, {kBlack, kWhite}, 0, 1); }

TEST(RasterBmp, HeaderFields) {
  const Bytes h = MakeBmpHeader(74, 42);  // 74 pixels: 10 bytes a row, padded to 12
  ASSERT_EQ(h.size(), 62u);
  EXPECT_EQ(h[0] | h[1] << 8, 'B' | 'M' << 8);
  // File size, data offset (right after the palette), info header size, width,
  // height (positive: bottom-up), planes and bits per pixel, no compression,
  // data size, palette entries, index 0 black, index 1 white.
  const std::pair<std::size_t, std::uint32_t> fields[] = {
      {2, 62 + 12 * 42}, {10, 62}, {14, 40}, {18, 74}, {22, 42}, {26, 1 | 1 << 16},
      {30, 0}, {34, 12 * 42}, {46, 2}, {54, kBlack}, {58, kWhite}};
  for (auto [at, value] : fields) EXPECT_EQ(Le32(h, at), value) << "offset " << at;
}

TEST(RasterBmp, RowOrdersDepthsAndPalettesAreRead) {
  std::vector<std::uint32_t> grey(256), sixteen(16);
  for (std::uint32_t k = 0; k < 256; ++k) grey[k] = k * 0x010101;
  for (std::uint32_t k = 0; k < 16; ++k) sixteen[k] = k * 0x111111;
  struct Case { int width, height, bits; std::vector<std::uint32_t> palette; std::uint32_t dark, light; };
  std::vector<Case> cases = {{13, 4, 1, {kWhite, kBlack}, 1, 0},  // reversed palette
                             {11, 6, 8, grey, 20, 230},           {11, 6, 4, sixteen, 3, 12},
                             {11, -6, 24, {}, 0x102030, 0xF0E0D0}, {11, 6, 32, {}, 0x102030, 0xF0E0D0}};
  for (int width : {1, 7, 8, 9, 31, 32, 33})
    for (int height : {5, -5}) cases.push_back({width, height, 1, {kBlack, kWhite}, 0, 1});
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " bits " + std::to_string(c.bits));
    const auto parsed = ParseBmp(MakeFile(c.width, c.height, c.bits, c.palette, c.dark, c.light));
    ASSERT_TRUE(std::holds_alternative<Bitmap>(parsed)) << std::get<std::string>(parsed);
    const Bitmap& bitmap = std::get<Bitmap>(parsed);
    ASSERT_EQ(bitmap.width, c.width);
    ASSERT_EQ(bitmap.height, std::abs(c.height));
    for (int y = 0; y < bitmap.height; ++y)
      for (int x = 0; x < bitmap.width; ++x) ASSERT_EQ(bitmap.black(x, y), Dark(x, y)) << x << "," << y;
    // Black-and-white 1-bit files are also taken in place, giving the same picture.
    Bytes file = MakeFile(c.width, c.height, c.bits, c.palette, c.dark, c.light);
    const Bytes before = file;
    const auto taken = TakeBmp(file);
    ASSERT_EQ(taken.has_value(), c.bits == 1);
    if (!taken) {
      EXPECT_EQ(file, before);
      continue;
    }
    EXPECT_TRUE(file.empty());
    ASSERT_TRUE(taken->consistent());
    EXPECT_EQ(taken->bits, bitmap.bits);
  }
}

TEST(RasterBmp, ServiceFilesReadBackUprightOrMirrored) {
  const Raster raster = testing::MakeRaster(1, 1, 5, Style::Dots, 1);
  const Bitmap upright = testing::ToBitmap(raster), mirrored = testing::ToBitmap(raster, true);
  for (int y = 0; y < upright.height; ++y)
    for (int x = 0; x < upright.width; ++x) ASSERT_EQ(upright.black(x, y), mirrored.black(x, upright.height - 1 - y));
}

TEST(RasterBmp, TruncatedAndBadFilesAreRefused) {
  const Bytes good = SmallFile();
  ASSERT_TRUE(std::holds_alternative<Bitmap>(ParseBmp(good)));
  for (std::size_t n = 0; n < good.size(); ++n)
    EXPECT_TRUE(std::holds_alternative<std::string>(ParseBmp(Bytes(good.begin(), good.begin() + n)))) << n;

  struct Change { std::size_t at; std::uint32_t value; int size; const char* why; };
  const std::vector<std::vector<Change>> bad = {
      {{0, 'X', 1, "magic"}},
      {{18, 1u << 30, 4, "huge width"}, {22, 1u << 30, 4, "huge height"}},
      {{18, 0x7FFFFFFF, 4, "overflowing width"}, {22, 0x80000000, 4, "most negative height"}},
      {{18, static_cast<std::uint32_t>(-20), 4, "negative width"}},
      {{22, 0, 4, "zero height"}},
      {{28, 16, 2, "16 bits per pixel"}},
      {{30, 1, 4, "run-length compressed"}},
      {{10, 20, 4, "data offset inside the header"}},
      {{10, 0xFFFFFFF0, 4, "data offset past the end"}},
      {{14, 0xFFFFFFFF, 4, "info header size"}},
      {{46, 3, 4, "three palette entries for one bit"}},
  };
  for (const auto& changes : bad) {
    Bytes f = good;
    for (const Change& c : changes) Set(f, c.at, c.value, c.size);
    EXPECT_TRUE(std::holds_alternative<std::string>(ParseBmp(f))) << changes.front().why;
    const Bytes before = f;
    EXPECT_FALSE(TakeBmp(f)) << changes.front().why;
    EXPECT_EQ(f, before) << "a refused file is left for the image decoder";
  }
  // A pixel naming a palette entry the file does not have.
  EXPECT_TRUE(std::holds_alternative<std::string>(ParseBmp(MakeFile(4, 1, 1, {kBlack}, 1, 1))));
  // Grey entries are not black and white: they go the general way.
  Bytes grey = MakeFile(9, 2, 1, {0x404040, kWhite}, 0, 1);
  EXPECT_FALSE(TakeBmp(grey));
}

TEST(RasterBmp, GarbageNeverCrashes) {
  std::mt19937 rng(11);
  const Bytes good = SmallFile();
  for (int round = 0; round < 300; ++round) {
    Bytes f = good;
    for (int k = 0; k < 4; ++k) f[rng() % f.size()] = static_cast<std::uint8_t>(rng());
    const bool parsed = std::holds_alternative<Bitmap>(ParseBmp(f));
    if (const auto taken = TakeBmp(f)) {
      EXPECT_TRUE(parsed && taken->consistent());
    }
    Bytes noise = testing::RandomBytes(rng() % 200, rng());
    if (noise.size() > 2) noise[0] = 'B', noise[1] = 'M';
    (void)ParseBmp(noise);
  }
}

}  // namespace
}  // namespace tessellux::symbol
