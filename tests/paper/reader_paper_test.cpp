// tessellux-read on scanned pages: a PNG file and standard input, the
// verbose report with its grade, JSON, and a picture that is no picture.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "scan/print_scan.h"
#include "support/shell_run.h"
#include "support/temp_folder.h"
#include "tests/paper/paper_test_support.h"

namespace tessellux::symbol {
namespace {

using Outcome = tessellux::testing::ShellOutcome;
using tessellux::testing::RunShell;

class ReaderOnPaper : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const auto symbol = testing::MakeSymbol("from the scanner", Style::Lines);
    scan::ScanSettings settings;
    settings.rotation_deg = 200;
    const Bytes png = scan::EncodePng(scan::PrintAndScan(symbol.bitmap, {}, settings).image);
    path_ = new std::string(folder_.Write("page.png", png));
  }
  static void TearDownTestSuite() { delete path_; }
  static inline const tessellux::testing::TempFolder folder_;
  static inline std::string* path_ = nullptr;
};

const std::string kReader = std::string("'") + TESSELLUX_READ_PATH + "'";

TEST_F(ReaderOnPaper, FileAndStandardInput) {
  const Outcome file = RunShell(kReader + " '" + *path_ + "'");
  EXPECT_EQ(file.code, 0) << file.output;
  EXPECT_NE(file.output.find("Text: from the scanner"), std::string::npos) << file.output;
  EXPECT_NE(file.output.find("lines, from paper"), std::string::npos) << file.output;
  const Outcome piped = RunShell(kReader + " - < '" + *path_ + "'");
  EXPECT_EQ(piped.code, 0) << piped.output;
  EXPECT_EQ(piped.output, file.output);
}

TEST_F(ReaderOnPaper, VerboseAndJsonReports) {
  const Outcome verbose = RunShell(kReader + " --verbose '" + *path_ + "'");
  EXPECT_EQ(verbose.code, 0) << verbose.output;
  for (const char* field : {"Corners: (", "Grid: ", "pixels per cell, rotation ", "Grade: A (contrast ", "Block map"})
    EXPECT_NE(verbose.output.find(field), std::string::npos) << field << "\n" << verbose.output;
  const Outcome json = RunShell(kReader + " --json '" + *path_ + "'");
  EXPECT_EQ(json.code, 0) << json.output;
  for (const char* field : {"{\"read\":true,\"source\":\"paper\"", "\"text\":\"from the scanner\"", "\"corners\":[[",
                            "\"grade\":\"A\"}"})
    EXPECT_NE(json.output.find(field), std::string::npos) << field << "\n" << json.output;
}

TEST_F(ReaderOnPaper, NoPictureIsUnreadable) {
  const std::string text = folder_.Write("note.txt", Bytes{'h', 'i'});
  const Outcome outcome = RunShell(kReader + " --json '" + text + "'");
  EXPECT_EQ(outcome.code, 1);
  EXPECT_NE(outcome.output.find("\"read\":false,\"source\":\"none\""), std::string::npos) << outcome.output;
}

// The program alone, its module of pictures of paper left behind: a
// symbol's own bitmap still reads; a page is refused, saying what is missing.
TEST_F(ReaderOnPaper, WithoutItsModuleTheSymbolsOwnBitmapStillReads) {
  const std::string alone = (folder_.path() / "alone").string();
  std::filesystem::create_directory(alone);
  std::filesystem::copy_file(TESSELLUX_READ_PATH, alone + "/tessellux-read");
  const std::string reader = "'" + alone + "/tessellux-read'";
  const Outcome page = RunShell(reader + " '" + *path_ + "' 2>&1");
  if (page.code == 0) GTEST_SKIP() << "the module is installed on this machine";
  EXPECT_EQ(page.code, 1);
  EXPECT_NE(page.output.find("pictures of paper need the module tessellux-read-paper.so"), std::string::npos)
      << page.output;
  const auto symbol = testing::MakeSymbol("no decoder needed", Style::Dots);
  const std::string bmp = folder_.Write("symbol.bmp", scan::EncodeBmp(scan::BitmapToGrey(symbol.bitmap), 1));
  const Outcome exact = RunShell(reader + " '" + bmp + "'");
  EXPECT_EQ(exact.code, 0) << exact.output;
  EXPECT_NE(exact.output.find("Text: no decoder needed"), std::string::npos) << exact.output;
}

}  // namespace
}  // namespace tessellux::symbol
