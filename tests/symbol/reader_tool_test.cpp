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
  for (const auto& arg : args) command += " " + Quote(arg);
  command += " 2>&1";
  Outcome outcome;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return outcome;
  char buffer[4096];
  std::size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) outcome.output.append(buffer, n);
  const int status = pclose(pipe);
  outcome.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return outcome;
}

class ReaderTool : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("tessellux-read-test-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Write(const std::string& name, const Bytes& bytes) {
    const fs::path path = dir_ / name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                 static_cast<std::streamsize>(bytes.size()));
    return path.string();
  }

  fs::path dir_;
};

Security Private(const std::string& phrase) {
  Security security;
  security.mode = SecurityMode::Private;
  security.company = "Acme";
  security.phrase = phrase;
  return security;
}

TEST_F(ReaderTool, PrintsAPublicText) {
  const std::string path = Write("public.bmp", MustBuildBmp(Request({"hello from a symbol", std::nullopt})));
  const Outcome outcome = RunReader({path});
  EXPECT_EQ(outcome.code, 0) << outcome.output;
  EXPECT_NE(outcome.output.find("Text: hello from a symbol"), std::string::npos) << outcome.output;
  EXPECT_NE(outcome.output.find("Security: public"), std::string::npos) << outcome.output;
}

TEST_F(ReaderTool, PrivateNeedsTheRightPhrase) {
  const std::string path = Write("private.bmp", MustBuildBmp(Request({"staff only", std::nullopt}, {}, Private("pw 1"))));
  const Outcome right = RunReader({path, "--company", "Acme", "--secret-phrase", "pw 1"});
  EXPECT_EQ(right.code, 0) << right.output;
  EXPECT_NE(right.output.find("Text: staff only"), std::string::npos) << right.output;

  const Outcome wrong = RunReader({path, "--company", "Acme", "--secret-phrase", "pw 2"});
  EXPECT_EQ(wrong.code, 3) << wrong.output;
  EXPECT_EQ(wrong.output.find("staff only"), std::string::npos);
  EXPECT_NE(wrong.output.find("wrong"), std::string::npos) << wrong.output;

  EXPECT_EQ(RunReader({path}).code, 3);
}

TEST_F(ReaderTool, WritesTheCarriedFileIntoOut) {
  const Bytes jpeg = FakeJpeg(2500);
  const std::string path = Write("file.bmp", MustBuildBmp(Request({"", jpeg})));
  const fs::path out = dir_ / "out";
  const Outcome outcome = RunReader({path, "--out", out.string()});
  EXPECT_EQ(outcome.code, 0) << outcome.output;
  std::ifstream in(out / "tessellux-file.jpg", std::ios::binary);
  const Bytes written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(written, jpeg);
}

TEST_F(ReaderTool, AuthorizationsPrintTheirFields) {
  Security security;
  security.mode = SecurityMode::Cascaded;
  security.company = "Acme";
  security.tag = "Gate 3";
  security.phrase = "new phrase";
  security.second = "\xE9t\xE9";  // the old phrase as the program sends it: one byte per letter
  const std::string path = Write("cascaded.bmp", MustBuildBmp(Request({}, {}, security)));
  // Typed in UTF-8 on the reader's side.
  const Outcome outcome = RunReader({path, "--old-phrase", "\xC3\xA9t\xC3\xA9"});
  EXPECT_EQ(outcome.code, 0) << outcome.output;
  EXPECT_NE(outcome.output.find("Secret phrase: new phrase"), std::string::npos) << outcome.output;
  EXPECT_NE(outcome.output.find("Identification tag: Gate 3"), std::string::npos) << outcome.output;
  EXPECT_NE(outcome.output.find("cascaded authorization"), std::string::npos) << outcome.output;
  EXPECT_EQ(RunReader({path, "--old-phrase", "ete"}).code, 3);

  security.mode = SecurityMode::Unique;
  security.second = "1111-2222-3333";
  security.temporary = true;
  const std::string unique = Write("unique.bmp", MustBuildBmp(Request({}, {}, security)));
  const Outcome opened = RunReader({unique, "--serial", "1111-2222-3333"});
  EXPECT_EQ(opened.code, 0) << opened.output;
  EXPECT_NE(opened.output.find("unique authorization, temporary"), std::string::npos) << opened.output;
  EXPECT_EQ(RunReader({unique, "--serial", "1111-2222-3334"}).code, 3);
}

TEST_F(ReaderTool, DamagedOrMissingPicturesAndBadUsage) {
  EXPECT_EQ(RunReader({(dir_ / "missing.bmp").string()}).code, 2);
  EXPECT_EQ(RunReader({Write("junk.bmp", Bytes(500, 0x42))}).code, 2);
  EXPECT_EQ(RunReader({}).code, 1);
  EXPECT_EQ(RunReader({"a.bmp", "--serial"}).code, 1);
  EXPECT_EQ(RunReader({"a.bmp", "--colour", "red"}).code, 1);
  EXPECT_EQ(RunReader({"--help"}).code, 0);
}

}  // namespace
}  // namespace tessellux::symbol
