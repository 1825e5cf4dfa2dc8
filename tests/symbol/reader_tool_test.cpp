// tessellux-read run as a process on symbols written to a scratch folder.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/symbol/codec_test_support.h"
#include "tests/symbol/symbol_test_support.h"

namespace tessellux::symbol {
namespace {

namespace fs = std::filesystem;
using testing::FakeJpeg;
using testing::MustBuildBmp;
using testing::Request;
using testing::Secure;

struct Outcome {
  int code = -1;
  std::string output;  // stdout and stderr together
};

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
  Outcome outcome;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return outcome;
  char buffer[4096];
  for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) outcome.output.append(buffer, n);
  const int status = pclose(pipe);
  outcome.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return outcome;
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
  static void SetUpTestSuite() { fs::create_directories(dir_); }
  static void TearDownTestSuite() { fs::remove_all(dir_); }

  static std::string Write(const std::string& name, const Bytes& bytes) {
    std::ofstream(dir_ / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return (dir_ / name).string();
  }

  static inline const fs::path dir_ =
      fs::temp_directory_path() / ("tessellux-read-test-" + std::to_string(::getpid()));
};

TEST_F(ReaderTool, PublicTextAndAFileWrittenIntoOut) {
  const std::string public_bmp = Write("public.bmp", MustBuildBmp(Request({"hello from a symbol", std::nullopt})));
  EXPECT_TRUE(Reads({public_bmp}, 0, {"Text: hello from a symbol", "Security: public"}));

  const Bytes jpeg = FakeJpeg(2500);
  EXPECT_TRUE(Reads({Write("file.bmp", MustBuildBmp(Request({"", jpeg}))), "--out", dir_ / "out"}, 0));
  std::ifstream in(dir_ / "out" / "tessellux-file.jpg", std::ios::binary);
  EXPECT_EQ(Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), jpeg);
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
  EXPECT_TRUE(Reads({(dir_ / "missing.bmp").string()}, 2));
  EXPECT_TRUE(Reads({Write("junk.bmp", Bytes(500, 0x42))}, 2));
  EXPECT_TRUE(Reads({}, 1));
  EXPECT_TRUE(Reads({"a.bmp", "--serial"}, 1));
  EXPECT_TRUE(Reads({"a.bmp", "--colour", "red"}, 1));
  EXPECT_TRUE(Reads({"--help"}, 0));
}

}  // namespace
}  // namespace tessellux::symbol
