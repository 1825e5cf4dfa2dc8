// JPEG recompression, its labels, the work file's staleness rule, the EXIF
// orientation and the choosers' filters.

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "generate/results.h"
#include "pictures/exif_orientation.h"
#include "pictures/file_filters.h"
#include "pictures/jpeg_recompress.h"
#include "pictures/quality_work_file.h"
#include "protocol/bytes.h"
#include "support/temp_folder.h"

namespace tessellux::pictures {
namespace {

namespace fs = std::filesystem;
using Pixels = std::vector<unsigned char>;

Bytes Encode(const Pixels& rgb, int w, int h, int quality) {
  tjhandle tj = tjInitCompress();
  unsigned char* out = nullptr;
  unsigned long size = 0;
  EXPECT_EQ(tjCompress2(tj, rgb.data(), w, 0, h, TJPF_RGB, &out, &size, TJSAMP_420, quality, 0), 0);
  Bytes bytes(out, out + size);
  tjFree(out);
  tjDestroy(tj);
  return bytes;
}

// Decoded RGB pixels of a JPEG, with its size.
Pixels Decode(const Bytes& jpeg, int* w, int* h) {
  tjhandle tj = tjInitDecompress();
  int sub = 0, cs = 0;
  EXPECT_EQ(tjDecompressHeader3(tj, jpeg.data(), jpeg.size(), w, h, &sub, &cs), 0);
  Pixels rgb(static_cast<std::size_t>(*w) * *h * 3);
  EXPECT_EQ(tjDecompress2(tj, jpeg.data(), jpeg.size(), rgb.data(), *w, 0, *h, TJPF_RGB, 0), 0);
  tjDestroy(tj);
  return rgb;
}

Pixels Noise(int w, int h) {
  std::mt19937 random(7);
  Pixels rgb(static_cast<std::size_t>(w) * h * 3);
  for (auto& v : rgb) v = static_cast<unsigned char>(random());
  return rgb;
}

// Left half red, right half blue, with some noise.
Pixels Halves(int w, int h) {
  std::mt19937 random(9);
  Pixels rgb(static_cast<std::size_t>(w) * h * 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      unsigned char* p = &rgb[(static_cast<std::size_t>(y) * w + x) * 3];
      p[0] = static_cast<unsigned char>((x < w / 2 ? 230 : 0) + random() % 24);
      p[1] = static_cast<unsigned char>(random() % 24);
      p[2] = static_cast<unsigned char>((x < w / 2 ? 0 : 230) + random() % 24);
    }
  return rgb;
}

// An APP1 EXIF block (big-endian TIFF) with one orientation entry, put
// right after the start marker.
Bytes WithExifOrientation(const Bytes& jpeg, int orientation) {
  const Bytes tiff = {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1, 0x01, 0x12, 0, 3, 0, 0, 0, 1,
                      0, static_cast<std::uint8_t>(orientation), 0, 0, 0, 0, 0, 0};
  Bytes app1 = {0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0};
  app1.insert(app1.end(), tiff.begin(), tiff.end());
  app1[2] = static_cast<std::uint8_t>((app1.size() - 2) >> 8);
  app1[3] = static_cast<std::uint8_t>(app1.size() - 2);
  Bytes out;
  out.reserve(jpeg.size() + app1.size());
  for (std::size_t i = 0; i < jpeg.size(); ++i) {
    if (i == 2) out.insert(out.end(), app1.begin(), app1.end());
    out.push_back(jpeg[i]);
  }
  return out;
}

class RecompressTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const Bytes& bytes) { return dir.Write(name, bytes); }
  std::string Work() const { return dir / "Quality.tmp"; }

  testing::TempFolder dir;
};

TEST_F(RecompressTest, SmallerFileIsKeptAndBothLimitsWork) {
  const std::string source = Write("photo.jpg", Encode(Noise(64, 48), 64, 48, 95));
  for (const int quality : {kMinQuality, kDefaultQuality, kMaxQuality}) {
    const RecompressResult result = RecompressJpeg(source, quality, Work());
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_FALSE(result.used_original);
    EXPECT_EQ(result.source_size, fs::file_size(source));
    EXPECT_EQ(result.work_size, fs::file_size(Work()));
    EXPECT_LT(result.work_size, result.source_size);
    EXPECT_EQ(LabelsFor(quality, result).after, generate::FormatByteCount(result.work_size) + " bytes");
  }
}

TEST_F(RecompressTest, NotSmallerUsesTheOriginalByteForByte) {
  const Bytes original = Encode(Noise(32, 32), 32, 32, 5);
  const std::string source = Write("tiny.JPG", original);
  const RecompressResult result = RecompressJpeg(source, 95, Work());
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_TRUE(result.used_original);
  EXPECT_EQ(testing::ReadAll(Work()), original);
  EXPECT_EQ(LabelsFor(95, result).after, "using original since smaller");
}

TEST_F(RecompressTest, BadInputFailsNamingTheSourceAndRemovesTheWorkFile) {
  const Bytes good = Encode(Noise(64, 64), 64, 64, 90);
  const struct {
    const char* name;
    Bytes bytes;
    int quality;
    const char* label;
  } cases[] = {
      {"empty.jpg", {}, 20, "not a JPEG picture"},
      {"png.jpg", {0x89, 'P', 'N', 'G', 13, 10, 26, 10}, 20, "not a JPEG picture"},
      {"cut.jpg", Bytes(good.begin(), good.begin() + static_cast<long>(good.size() / 2)), 20,
       "not a readable JPEG picture"},
      {"low.jpg", good, kMinQuality - 1, "quality out of range"},
      {"high.jpg", good, kMaxQuality + 1, "quality out of range"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Write("Quality.tmp", good);  // left from an earlier run
    const std::string source = Write(c.name, c.bytes);
    const RecompressResult result = RecompressJpeg(source, c.quality, Work());
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find(source), std::string::npos) << result.error;
    EXPECT_EQ(result.error.find("Quality.tmp"), std::string::npos) << result.error;
    EXPECT_EQ(result.short_error, c.label);
    EXPECT_FALSE(fs::exists(Work()));
  }
  const RecompressResult missing = RecompressJpeg(dir / "gone.jpg", 20, Work());
  EXPECT_FALSE(missing.ok);
  EXPECT_FALSE(missing.source_read);
  EXPECT_EQ(LabelsFor(20, missing).before, "");
}

TEST_F(RecompressTest, ExifIsDroppedAndTheOrientationApplied) {
  const Bytes turned = WithExifOrientation(Encode(Halves(32, 16), 32, 16, 100), 6);
  ASSERT_EQ(ExifOrientation(turned.data(), turned.size()), 6);
  const std::string source = Write("turned.jpg", turned);
  const RecompressResult result = RecompressJpeg(source, 60, Work());
  ASSERT_TRUE(result.ok) << result.error;
  ASSERT_FALSE(result.used_original);
  const Bytes out = testing::ReadAll(Work());
  EXPECT_EQ(std::search(out.begin(), out.end(), std::begin("Exif"), std::end("Exif") - 1), out.end());
  int w = 0, h = 0;
  const Pixels rgb = Decode(out, &w, &h);
  ASSERT_EQ(w, 16);
  ASSERT_EQ(h, 32);
  // Turned a quarter clockwise: the red left half is now on top.
  EXPECT_GT(rgb[(4 * 16 + 8) * 3 + 0], 200);
  EXPECT_GT(rgb[(28 * 16 + 8) * 3 + 2], 200);
}

TEST(QualityLabels, SizesAndQuality) {
  RecompressResult result;
  result.ok = result.source_read = true;
  const struct {
    std::uint64_t size;
    const char* text;
  } cases[] = {{0, "0 bytes"}, {999, "999 bytes"}, {1000, "1,000 bytes"}, {1234567, "1,234,567 bytes"}};
  for (const auto& c : cases) {
    result.source_size = result.work_size = c.size;
    const QualityLabels labels = LabelsFor(20, result);
    EXPECT_EQ(labels.before, c.text);
    EXPECT_EQ(labels.after, c.text);
    EXPECT_EQ(labels.quality, "20%");
  }
}

TEST(WorkFile, OnlyTheWorkFileMadeFromTheCurrentChoiceIsCurrent) {
  const FileStamp source{true, 100, 1};
  const FileStamp work{true, 50, 2};
  const WorkFileRecord made{"/p/a.jpg", 20, source, work};
  const struct {
    const char* what;
    std::optional<WorkFileRecord> made;
    std::string path;
    int quality;
    FileStamp source_now;
    FileStamp work_now;
    bool current;
  } cases[] = {
      {"as made", made, "/p/a.jpg", 20, source, work, true},
      {"left from an earlier run", std::nullopt, "/p/a.jpg", 20, source, work, false},
      {"another path typed", made, "/p/b.jpg", 20, source, work, false},
      {"quality changed", made, "/p/a.jpg", 25, source, work, false},
      {"picture edited", made, "/p/a.jpg", 20, {true, 100, 9}, work, false},
      {"work file replaced", made, "/p/a.jpg", 20, source, {true, 51, 2}, false},
      {"work file gone", made, "/p/a.jpg", 20, source, {}, false},
      {"picture gone", made, "/p/a.jpg", 20, {}, work, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(WorkFileIsCurrent(c.made, c.path, c.quality, c.source_now, c.work_now), c.current) << c.what;
}

TEST(ExifOrientation, ReadsBothByteOrdersAndIgnoresDamage) {
  const Bytes plain = Encode(Halves(16, 16), 16, 16, 80);
  EXPECT_EQ(ExifOrientation(plain.data(), plain.size()), 1);
  for (int o = 1; o <= 8; ++o) {
    const Bytes tagged = WithExifOrientation(plain, o);
    EXPECT_EQ(ExifOrientation(tagged.data(), tagged.size()), o);
  }
  Bytes little = WithExifOrientation(plain, 3);
  // Rewrite the TIFF block little-endian: "II", 42, offset 8, one entry.
  const Bytes le = {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 0x01, 3, 0, 1, 0, 0, 0, 8, 0};
  std::copy(le.begin(), le.end(), little.begin() + 12);
  EXPECT_EQ(ExifOrientation(little.data(), little.size()), 8);
  const Bytes tagged = WithExifOrientation(plain, 6);
  // The EXIF block ends at byte 38: any file cut before that has no orientation.
  for (std::size_t cut = 0; cut < 38; ++cut) EXPECT_EQ(ExifOrientation(tagged.data(), cut), 1) << cut;
  Bytes nine = WithExifOrientation(plain, 9);
  EXPECT_EQ(ExifOrientation(nine.data(), nine.size()), 1);
}

TEST(ApplyOrientation, EachOrientationMovesTheCornerWhereItBelongs) {
  // 3 x 2 picture of one-byte pixels: 0 1 2 / 3 4 5.
  const std::uint8_t in[] = {0, 1, 2, 3, 4, 5};
  const struct {
    int orientation;
    std::vector<std::uint8_t> out;
  } cases[] = {{1, {0, 1, 2, 3, 4, 5}}, {2, {2, 1, 0, 5, 4, 3}}, {3, {5, 4, 3, 2, 1, 0}},
               {4, {3, 4, 5, 0, 1, 2}}, {5, {0, 3, 1, 4, 2, 5}}, {6, {3, 0, 4, 1, 5, 2}},
               {7, {5, 2, 4, 1, 3, 0}}, {8, {2, 5, 1, 4, 0, 3}}};
  for (const auto& c : cases) {
    std::vector<std::uint8_t> out(6);
    ApplyOrientation(c.orientation, in, 3, 2, 1, out.data());
    EXPECT_EQ(out, c.out) << c.orientation;
  }
}

TEST(FileFilters, EntriesInDialogSyntaxIgnoringCase) {
  EXPECT_EQ(DialogNameFilters(kJpegFilter),
            std::vector<std::string>{"*.jpg (JPEG files) (*.[jJ][pP][gG] *.[jJ][pP][eE][gG] *.[jJ][pP][eE])"});
  EXPECT_EQ(DialogNameFilters(kZipFilter), std::vector<std::string>{"*.zip (Zip files) (*.[zZ][iI][pP])"});
  EXPECT_EQ(DialogNameFilters(kEmbossFilter),
            (std::vector<std::string>{"*.jpg (JPEG files) (*.[jJ][pP][gG] *.[jJ][pP][eE][gG] *.[jJ][pP][eE])",
                                      "*.bmp (Bitmap files) (*.[bB][mM][pP])"}));
  EXPECT_TRUE(DialogNameFilters("").empty());
  EXPECT_TRUE(DialogNameFilters("description only").empty());
}

}  // namespace
}  // namespace tessellux::pictures
