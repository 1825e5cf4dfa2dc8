// Comparing a scan with the symbol built last, without the window: every
// field that can differ is named, a refusal says why, and keys are the
// Security tab's.

#include <gtest/gtest.h>

#include <variant>

#include "scan/print_scan.h"
#include "symbol/symbol.h"
#include "verify/print_check.h"
#include "verify/reader_keys.h"

namespace tessellux::verify {
namespace {

symbol::SymbolSpec Spec(const std::string& text, int blocks = 2, symbol::Style style = symbol::Style::Lines) {
  symbol::SymbolSpec spec;
  spec.layout = symbol::Layout{blocks, blocks, 8, 8, style, 2};  // k = 4 at every size
  spec.content.text = text;
  return spec;
}

Bytes Bmp(const symbol::SymbolSpec& spec) {
  auto built = symbol::BuildSymbol(spec);
  EXPECT_TRUE(std::holds_alternative<symbol::Symbol>(built));
  return std::get<symbol::Symbol>(built).ToBmp();
}

Bytes Scanned(const Bytes& bmp, double rotation = 30) {
  scan::ScanSettings settings;
  settings.rotation_deg = rotation;
  return scan::EncodePng(scan::PrintAndScan(std::get<symbol::Bitmap>(symbol::ParseBmp(bmp)), {}, settings).image);
}

TEST(PrintCheck, SameSymbolOnPaperAndAsItsOwnFile) {
  const Bytes bmp = Bmp(Spec("hello paper"));
  PrintCheck check = CheckPrint(Scanned(bmp), bmp, {});
  EXPECT_EQ(check.verdict, Verdict::kSame) << check.reason;
  EXPECT_TRUE(check.from_paper);
  EXPECT_NE(check.grade.letter, 'F');
  check = CheckPrint(bmp, bmp, {});
  EXPECT_EQ(check.verdict, Verdict::kSame);
  EXPECT_FALSE(check.from_paper);
  EXPECT_EQ(check.grade.letter, 'A');
}

TEST(PrintCheck, NamesEveryFieldThatDiffers) {
  const Bytes built = Bmp(Spec("hello paper"));
  PrintCheck check = CheckPrint(Scanned(Bmp(Spec("hello paper", 4, symbol::Style::Dots))), built, {});
  ASSERT_EQ(check.verdict, Verdict::kDiffers) << check.reason;
  EXPECT_EQ(check.differences, (std::vector<Field>{Field::kBlocks, Field::kStyle}));
  symbol::SymbolSpec other = Spec("hello pepper", 4);
  other.security.mode = symbol::SecurityMode::Private;
  other.security.company = "Loopback Labs";
  other.security.phrase = "open sesame";
  check = CheckPrint(Scanned(Bmp(other)), built, symbol::ReaderKeys{"", "open sesame", "", ""});
  ASSERT_EQ(check.verdict, Verdict::kDiffers) << check.reason;
  EXPECT_EQ(check.differences, (std::vector<Field>{Field::kBlocks, Field::kSecurity, Field::kText}));
  EXPECT_EQ(FirstDifference(check.built->content.text, check.scanned->content.text), 7u);
  // A carried file is compared byte for byte.
  symbol::SymbolSpec with_file = Spec("hello paper");
  with_file.content.file = Bytes{1, 2, 3};
  check = CheckPrint(Bmp(with_file), built, {});
  EXPECT_EQ(check.differences, std::vector<Field>{Field::kFile});
}

TEST(PrintCheck, RefusalsSayWhy) {
  const Bytes built = Bmp(Spec("hello paper"));
  symbol::GreyImage blank{64, 64, std::vector<std::uint8_t>(64 * 64, 255)};
  PrintCheck check = CheckPrint(scan::EncodePng(blank), built, {});
  EXPECT_EQ(check.verdict, Verdict::kNotRead);
  EXPECT_FALSE(check.reason.empty());
  EXPECT_EQ(check.grade.letter, 'F');
  EXPECT_EQ(CheckPrintFile("/nonexistent/scan.png", built, {}).verdict, Verdict::kFileUnreadable);

  symbol::SymbolSpec secret = Spec("for the company", 4);
  secret.security.mode = symbol::SecurityMode::Private;
  secret.security.company = "Loopback Labs";
  secret.security.phrase = "open sesame";
  const Bytes secret_bmp = Bmp(secret);
  const symbol::ReaderKeys right{"", "open sesame", "", ""};
  EXPECT_EQ(CheckPrint(Scanned(secret_bmp), secret_bmp, right).verdict, Verdict::kSame);
  // The built symbol cannot be opened: nothing to compare with.
  EXPECT_EQ(CheckPrint(Scanned(secret_bmp), secret_bmp, {}).verdict, Verdict::kBuiltUnreadable);
  // The scan is private, the built symbol public: the scan needs a key.
  EXPECT_EQ(CheckPrint(Scanned(secret_bmp), built, {}).verdict, Verdict::kKeyNeeded);
}

TEST(PrintCheck, FirstDifference) {
  EXPECT_EQ(FirstDifference("abc", "abc"), 3u);
  EXPECT_EQ(FirstDifference("abc", "abd"), 2u);
  EXPECT_EQ(FirstDifference("ab", "abc"), 2u);
  EXPECT_EQ(FirstDifference("", "x"), 0u);
}

TEST(ReaderKeys, SecurityTabFieldsByMode) {
  generate::SecurityChoice choice;
  choice.mode = symbol::SecurityMode::Private;
  choice.phrase = u"Grüße";
  choice.second_phrase = u"1234-5678-9012";
  symbol::ReaderKeys keys = KeysFor(choice);
  EXPECT_EQ(keys.phrase, "Gr\xC3\xBC\xC3\x9F" "e");
  EXPECT_TRUE(keys.serial.empty());
  EXPECT_TRUE(keys.old_phrase.empty());
  choice.mode = symbol::SecurityMode::Unique;
  EXPECT_EQ(KeysFor(choice).serial, "1234-5678-9012");
  choice.mode = symbol::SecurityMode::Cascaded;
  choice.second_phrase = u"alt\u00e9";
  EXPECT_EQ(KeysFor(choice).old_phrase, "alt\xE9");
}

}  // namespace
}  // namespace tessellux::verify
