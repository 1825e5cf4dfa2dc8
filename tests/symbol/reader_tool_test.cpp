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
  bool Says(const std::string& text) const { return output.find(text) != std::string::npos; }
};

std::string Quote(const std::string& arg) {
  std::string out = "'";
  for (char c : arg) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

Outcome RunReader(const std::vector<std::string>& args) {
  std::string command = Quote(TESSELLUX_READ_PATH);
  for (const auto& arg : args) command += " " + Quote(arg);
  Outcome outcome;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return outcome;
  char buffer[4096];
  for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) outcome.output.append(buffer, n);
  const int status = pclose(pipe);
  outcome.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return outcome;
}

class ReaderTool : public ::testing::Test {
 protected:
  void TearDown() override { fs::remove_all(dir_); }

  std::string Write(const std::string& name, const Bytes& bytes) {
    fs::create_directories(dir_);
    std::ofstream(dir_ / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return (dir_ / name).string();
  }

  const fs::path dir_ = fs::temp_directory_path() /
                        ("tessellux-read-test-" + std::to_string(::getpid()) + "-" +
                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
};

TEST_F(ReaderTool, PublicTextAndAFileWrittenIntoOut) {
  const Bytes public_bmp = MustBuildBmp(Request({"hello from a symbol", std::nullopt}));
  const Outcome text = RunReader({Write("public.bmp", public_bmp)});
  EXPECT_EQ(text.code, 0) << text.output;
  EXPECT_TRUE(text.Says("Text: hello from a symbol")) << text.output;
  EXPECT_TRUE(text.Says("Security: public")) << text.output;

  const Bytes jpeg = FakeJpeg(2500);
  const Outcome file = RunReader({Write("file.bmp", MustBuildBmp(Request({"", jpeg}))), "--out", dir_ / "out"});
  EXPECT_EQ(file.code, 0) << file.output;
  std::ifstream in(dir_ / "out" / "tessellux-file.jpg", std::ios::binary);
  EXPECT_EQ(Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), jpeg);
}

TEST_F(ReaderTool, ProtectedSymbolsOpenOnlyWithTheRightKey) {
  const Security secret = Secure(SecurityMode::Private, "Acme", "pw 1");
  const std::string path = Write("private.bmp", MustBuildBmp(Request({"staff only", std::nullopt}, {}, secret)));
  const Outcome right = RunReader({path, "--company", "Acme", "--secret-phrase", "pw 1"});
  EXPECT_EQ(right.code, 0) << right.output;
  EXPECT_TRUE(right.Says("Text: staff only")) << right.output;
  const Outcome wrong = RunReader({path, "--company", "Acme", "--secret-phrase", "pw 2"});
  EXPECT_EQ(wrong.code, 3) << wrong.output;
  EXPECT_FALSE(wrong.Says("staff only"));
  EXPECT_TRUE(wrong.Says("wrong")) << wrong.output;
  EXPECT_EQ(RunReader({path}).code, 3);

  // The old phrase as the program sends it, one byte per letter; typed in UTF-8 on the reader's side.
  Security security = Secure(SecurityMode::Cascaded, "Acme", "new phrase", "Gate 3", "\xE9t\xE9");
  const std::string cascaded = Write("cascaded.bmp", MustBuildBmp(Request({}, {}, security)));
  const Outcome opened = RunReader({cascaded, "--old-phrase", "\xC3\xA9t\xC3\xA9"});
  EXPECT_EQ(opened.code, 0) << opened.output;
  EXPECT_TRUE(opened.Says("Secret phrase: new phrase")) << opened.output;
  EXPECT_TRUE(opened.Says("Identification tag: Gate 3")) << opened.output;
  EXPECT_TRUE(opened.Says("cascaded authorization")) << opened.output;
  EXPECT_EQ(RunReader({cascaded, "--old-phrase", "ete"}).code, 3);

  security = Secure(SecurityMode::Unique, "Acme", "new phrase", "Gate 3", "1111-2222-3333", true);
  const std::string unique = Write("unique.bmp", MustBuildBmp(Request({}, {}, security)));
  const Outcome serial = RunReader({unique, "--serial", "1111-2222-3333"});
  EXPECT_EQ(serial.code, 0) << serial.output;
  EXPECT_TRUE(serial.Says("unique authorization, temporary")) << serial.output;
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
