// tessellux-read run as a process on symbols written to a scratch folder.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "support/shell_run.h"
#include "support/temp_folder.h"
#include "tests/symbol/codec_test_support.h"
#include "tests/symbol/symbol_damage_support.h"
#include "tests/symbol/symbol_test_support.h"

namespace tessellux::symbol {
namespace {

namespace fs = std::filesystem;
using testing::FakeJpeg;
using testing::MustBuildBmp;
using testing::Request;
using testing::Secure;

using Outcome = tessellux::testing::ShellOutcome;

std::string Quote(const std::string& arg) {
  std::string out = "'";
  for (char c : arg) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

Outcome RunReader(const std::vector<std::string>& args) {
  std::string command = Quote(TESSELLUX_READ_PATH);
  for (const auto& arg : args) {
    command += ' ';  // appended apart: `" " + Quote(arg)` trips GCC 12's false -Wrestrict at -O3
    command += Quote(arg);
  }
  return tessellux::testing::RunShell(command);
}

// Whether the reader run with `args` exits with `code` and says every one of `texts`.
::testing::AssertionResult Reads(const std::vector<std::string>& args, int code,
                                 const std::vector<std::string>& texts = {}) {
  const Outcome outcome = RunReader(args);
  bool ok = outcome.code == code;
  for (const auto& text : texts) ok = ok && outcome.output.find(text) != std::string::npos;
  if (ok) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "exit code " << outcome.code << ", output:\n" << outcome.output;
}

// One scratch folder for the whole suite.
class ReaderTool : public ::testing::Test {
 protected:
  static std::string Write(const std::string& name, const Bytes& bytes) { return folder_.Write(name, bytes); }

  static inline const tessellux::testing::TempFolder folder_;
  static inline const fs::path& dir_ = folder_.path();
};

TEST_F(ReaderTool, PublicTextAndAFileWrittenIntoOut) {
  const std::string public_bmp = Write("public.bmp", MustBuildBmp(Request({"hello from a symbol", std::nullopt})));
  EXPECT_TRUE(Reads({public_bmp}, 0, {"Text: hello from a symbol", "Security: public"}));

  const Bytes jpeg = FakeJpeg(2500);
  const std::string file_bmp = Write("file.bmp", MustBuildBmp(Request({"", jpeg})));
  // A folder that is not there is an error, never made on the quiet.
  EXPECT_TRUE(Reads({file_bmp, "--out", dir_ / "out"}, 4, {"--output: no such folder: " + (dir_ / "out").string()}));
  EXPECT_FALSE(fs::exists(dir_ / "out"));
  EXPECT_TRUE(Reads({file_bmp, "-o", file_bmp}, 4, {"--output: not a folder"}));
  fs::create_directory(dir_ / "out");
  EXPECT_TRUE(Reads({file_bmp, "--out=" + (dir_ / "out").string()}, 0, {"written to"}));
  EXPECT_EQ(tessellux::testing::ReadAll(dir_ / "out" / "tessellux-file.jpg"), jpeg);
}

// A symbol's text can never pose as the reader's own lines or reach the terminal as controls.
TEST_F(ReaderTool, TextsArePrintedOnOneLineWithControlsEscaped) {
  const std::string text = "a\\b\nSecurity: company-private\r\t\x1B[2J\x7F\xC2\x9B" "1m caf\xC3\xA9 \xE2\x80\xA8 \xFF";
  const Outcome outcome = RunReader({Write("escape.bmp", MustBuildBmp(Request({text, std::nullopt})))});
  EXPECT_EQ(outcome.code, 0) << outcome.output;
  EXPECT_NE(outcome.output.find("Text: a\\\\b\\nSecurity: company-private\\r\\t\\x1B[2J\\x7F\\u009B1m caf\xC3\xA9 \\u2028 \\xFF\n"),
            std::string::npos)
      << outcome.output;
  EXPECT_EQ(outcome.output.find("\nSecurity: company-private"), std::string::npos) << outcome.output;
  EXPECT_EQ(outcome.output.find('\x1B'), std::string::npos);
}

TEST_F(ReaderTool, ProtectedSymbolsOpenOnlyWithTheRightKey) {
  const Security secret = Secure(SecurityMode::Private, "Acme", "pw 1");
  const std::string path = Write("private.bmp", MustBuildBmp(Request({"staff only", std::nullopt}, {}, secret)));
  EXPECT_TRUE(Reads({path, "--company", "Acme", "--secret-phrase", "pw 1"}, 0, {"Text: staff only"}));
  const Outcome wrong = RunReader({path, "--company", "Acme", "--secret-phrase", "pw 2"});
  EXPECT_EQ(wrong.code, 3) << wrong.output;
  EXPECT_EQ(wrong.output.find("staff only"), std::string::npos) << wrong.output;
  EXPECT_NE(wrong.output.find("wrong"), std::string::npos) << wrong.output;
  EXPECT_TRUE(Reads({path}, 3));

  // The old phrase as the program sends it, one byte per letter; typed in UTF-8 on the reader's side.
  Security security = Secure(SecurityMode::Cascaded, "Acme", "new phrase", "Gate 3", "\xE9t\xE9");
  const std::string cascaded = Write("cascaded.bmp", MustBuildBmp(Request({}, {}, security)));
  EXPECT_TRUE(Reads({cascaded, "--old-phrase", "\xC3\xA9t\xC3\xA9"}, 0,
                    {"Secret phrase: new phrase", "Identification tag: Gate 3", "cascaded authorization"}));
  EXPECT_TRUE(Reads({cascaded, "--old-phrase", "ete"}, 3));

  security = Secure(SecurityMode::Unique, "Acme", "new phrase", "Gate 3", "1111-2222-3333", true);
  const std::string unique = Write("unique.bmp", MustBuildBmp(Request({}, {}, security)));
  EXPECT_TRUE(Reads({unique, "--serial", "1111-2222-3333"}, 0, {"unique authorization, temporary"}));
  EXPECT_TRUE(Reads({unique, "--serial", "1111-2222-3334"}, 3));
}

TEST_F(ReaderTool, DamagedOrMissingPicturesAndBadUsage) {
  EXPECT_TRUE(Reads({(dir_ / "missing.bmp").string()}, 1, {"missing.bmp"}));
  EXPECT_TRUE(Reads({Write("junk.bmp", Bytes(500, 0x42))}, 1));
  // A usage error exits 2, as in every program of the suite.
  EXPECT_TRUE(Reads({}, 2, {"no symbol picture given"}));
  EXPECT_TRUE(Reads({"a.bmp", "--serial"}, 2, {"option --serial needs a value"}));
  EXPECT_TRUE(Reads({"a.bmp", "--colour", "red"}, 2, {"unknown option --colour", "--help"}));
  EXPECT_TRUE(Reads({"a.bmp", "--colour=red"}, 2, {"unknown option --colour"}));
  EXPECT_TRUE(Reads({"a.bmp", "--json=yes"}, 2, {"option --json takes no value"}));
  EXPECT_TRUE(Reads({"a.bmp", "b.bmp"}, 2, {"more than one picture given: 'b.bmp'"}));
  EXPECT_TRUE(Reads({"-", "--secret-phrase-file", "-"}, 2, {"standard input (-) can be read for only one"}));
  EXPECT_TRUE(Reads({"--help"}, 0, {"--verbose", "Exit codes: 0 read, 1 unreadable", "2 usage error", "Examples:"}));
  EXPECT_TRUE(Reads({"-V"}, 0, {"tessellux-read 2.0"}));
  EXPECT_TRUE(Reads({"--version"}, 0, {"tessellux-read 2.0 (symbol format 2)"}));
}

// 10 x 10, k = 4: eight destroyed blocks of one group are restored, a ninth is
// too many; --verbose draws the blocks either way.
TEST_F(ReaderTool, DamageIsCountedAndMapped) {
  const testing::TenByTen symbol;
  const std::vector<int> holding = testing::BlocksOfGroup(codec::PlanGroups(10, 10, 4), 5);
  std::mt19937 random(5);
  std::vector<int> chosen(holding.begin(), holding.begin() + 8);
  const std::string eight = Write("eight.bmp", symbol.Damaged(chosen, random));
  EXPECT_TRUE(Reads({eight}, 0, {"Damage: 8 of 100 blocks damaged, ", "Text: DDDD"}));
  const Outcome map = RunReader({eight, "--verbose"});
  EXPECT_EQ(map.code, 0);
  EXPECT_NE(map.output.find("Block map"), std::string::npos) << map.output;
  EXPECT_NE(map.output.find("     0123456789\n   0 "), std::string::npos) << map.output;
  const std::string grid = map.output.substr(map.output.find("     0123456789\n"));
  EXPECT_EQ(std::count_if(grid.begin(), grid.end(), [](char c) { return c == 'R' || c == 'r' || c == 'X'; }), 8)
      << map.output;

  chosen.push_back(holding[8]);
  const std::string nine = Write("nine.bmp", symbol.Damaged(chosen, random));
  const Outcome refused = RunReader({nine, "--verbose"});
  EXPECT_EQ(refused.code, 1) << refused.output;
  EXPECT_NE(refused.output.find("Damage: 9 of 100 blocks damaged"), std::string::npos) << refused.output;
  EXPECT_NE(refused.output.find("too many damaged bytes"), std::string::npos) << refused.output;
  EXPECT_EQ(refused.output.find("Text:"), std::string::npos) << refused.output;
}

}  // namespace
}  // namespace tessellux::symbol
