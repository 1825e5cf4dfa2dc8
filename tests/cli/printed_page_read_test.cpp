// Pages printed by tessellux-build as PDF, laid down by pdftoppm at 600 dpi
// as a printer would, then scanned or photographed by the simulator: each
// reads back text-exact, Lines and Dots, public and private.

#include <gtest/gtest.h>

#include <QImage>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <variant>

#include "scan/print_scan.h"
#include "support/child_process.h"
#include "support/pdf_page_place.h"
#include "support/shell_run.h"
#include "support/temp_folder.h"
#include "symbol/paper.h"

namespace tessellux {
namespace {

constexpr int kPrinterDpi = 600;

class PrintedPageRead : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    service_ = new testing::ChildProcess(TESSELLUX_CODEGEN_PATH,
                                         {"--bind", "127.0.0.1", "--port", "0", "--company", "ACME Ltd"});
    if (const auto line = service_->ReadLine(5000)) port_ = line->substr(line->rfind(':') + 1);
  }
  static void TearDownTestSuite() { delete service_; }
  void SetUp() override {
    ASSERT_FALSE(port_.empty()) << "the Code Generator did not start";
    if (testing::RunShell("command -v pdftoppm").code != 0) GTEST_SKIP() << "pdftoppm (poppler-utils) is missing";
  }

  std::string Path(const std::string& name) const { return (folder_.path() / name).string(); }

  // The symbol's page as PDF, rendered round the symbol (a quarter inch of
  // paper all round) at the printer's resolution.
  symbol::GreyImage PrintedPage(const std::string& options) const {
    const std::string build = std::string(TESSELLUX_BUILD_PATH) + " --host 127.0.0.1 --port " + port_ +
                              " --text-file '" + Path("text.txt") + "' --grid 8 --dpi " +
                              std::to_string(kPrinterDpi) + " --paper a4 " + options + " -o ";
    for (const char* out : {"page.bmp", "page.pdf"}) {
      const auto built = testing::RunShell(build + "'" + Path(out) + "'");
      EXPECT_EQ(built.code, 0) << built.output;
    }
    const QImage symbol(QString::fromStdString(Path("page.bmp")), "BMP");
    const int margin = kPrinterDpi / 4;
    const QPoint origin =
        testing::SymbolOriginOnA4(kPrinterDpi, symbol.width(), symbol.height()) - QPoint(margin, margin);
    const auto rendered = testing::RunShell(
        "pdftoppm -gray -png -singlefile -r " + std::to_string(kPrinterDpi) + " -x " + std::to_string(origin.x()) +
        " -y " + std::to_string(origin.y()) + " -W " + std::to_string(symbol.width() + 2 * margin) + " -H " +
        std::to_string(symbol.height() + 2 * margin) + " '" + Path("page.pdf") + "' '" + Path("rendered") + "'");
    EXPECT_EQ(rendered.code, 0) << rendered.output;
    std::ifstream in(Path("rendered.png"), std::ios::binary);
    const symbol::Bytes png{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    auto decoded = symbol::DecodePicture(png);
    if (auto* image = std::get_if<symbol::GreyImage>(&decoded)) return std::move(*image);
    ADD_FAILURE() << "rendered page: " << std::get<std::string>(decoded);
    return {};
  }

  static inline testing::ChildProcess* service_ = nullptr;
  static inline std::string port_;
  testing::TempFolder folder_;
};

struct Condition {
  const char* name;
  int ink_spread;
  scan::ScanSettings scan;
};

std::vector<Condition> Conditions() {
  std::vector<Condition> out;
  scan::ScanSettings flat;  // on the glass, a slight turn, saved as JPEG
  flat.rotation_deg = 0.4, flat.jpeg_quality = 85, flat.seed = 3;
  out.push_back({"flat 600 dpi scan, turned, JPEG", 0, flat});
  scan::ScanSettings coarse;
  coarse.dpi = 300, coarse.rotation_deg = -1.2, coarse.seed = 5;
  out.push_back({"300 dpi scan", 0, coarse});
  scan::ScanSettings photo;  // a phone over the page, its picture reduced
  photo.dpi = 450, photo.rotation_deg = 23, photo.perspective = 0.04, photo.blur_px = 0.6,
  photo.lighting_floor = 0.7, photo.noise = 6, photo.jpeg_quality = 85, photo.seed = 7;
  out.push_back({"phone photo", 0, photo});
  scan::ScanSettings turned;
  turned.rotation_deg = 181.5, turned.seed = 11;
  out.push_back({"upside down, ink spread", 1, turned});
  return out;
}

std::string ReadText(const symbol::GreyImage& image, const symbol::ReaderKeys& keys) {
  const auto reads = symbol::ReadGreyPicture(image, keys);
  if (const auto* result = std::get_if<symbol::ReadResult>(&reads.front().result)) return result->content.text;
  return "refused: " + std::get<symbol::ReadError>(reads.front().result).message;
}

TEST_F(PrintedPageRead, PdfPagesReadBackAfterScansAndPhotos) {
  const std::string text = "Printed, scanned and read again: the same bytes, every one.";
  std::ofstream(Path("text.txt")) << text;
  symbol::ReaderKeys company;
  company.company = "ACME Ltd";
  company.phrase = "paper trail";
  struct Symbol {
    const char* name;
    std::string options;
    symbol::ReaderKeys keys;
  };
  const Symbol symbols[] = {
      {"Lines, public", "--style lines --thickness 2", {}},
      {"Dots, private", "--style dots --thickness 3 --security private --secret-phrase-file '" +
                            Path("phrase.txt") + "'",
       company},
  };
  std::ofstream(Path("phrase.txt")) << company.phrase << "\n";
  for (const Symbol& s : symbols) {
    const symbol::GreyImage page = PrintedPage(s.options);
    ASSERT_GT(page.width, 0) << s.name;
    for (const Condition& c : Conditions()) {
      SCOPED_TRACE(std::string(s.name) + ", " + c.name);
      const symbol::GreyImage scanned = scan::ScanPrintedPage(page, kPrinterDpi, c.ink_spread, c.scan).image;
      EXPECT_EQ(ReadText(scanned, s.keys), text);
    }
  }
}

}  // namespace
}  // namespace tessellux
