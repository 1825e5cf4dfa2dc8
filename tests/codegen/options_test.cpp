#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <unistd.h>

#include "codegen/encode_command.h"
#include "codegen/service_options.h"
#include "link/bytes.h"

namespace tessellux::codegen {
namespace {

using Args = std::vector<std::string>;

ServiceOptions ServiceOk(const Args& args) {
  auto parsed = ParseServiceOptions(args);
  if (auto* error = std::get_if<std::string>(&parsed)) ADD_FAILURE() << *error;
  return std::get_if<ServiceOptions>(&parsed) ? std::get<ServiceOptions>(parsed) : ServiceOptions{};
}

std::string ServiceError(const Args& args) {
  auto parsed = ParseServiceOptions(args);
  return std::holds_alternative<std::string>(parsed) ? std::get<std::string>(parsed) : "";
}

class TempFile {
 public:
  explicit TempFile(const std::string& text) {
    char name[] = "/tmp/tessellux-options-XXXXXX";
    const int fd = mkstemp(name);
    path_ = name;
    ::close(fd);
    std::ofstream(path_) << text;
  }
  ~TempFile() { std::remove(path_.c_str()); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

TEST(ServiceOptions, DefaultsNeedOnlyACompany) {
  const ServiceOptions options = ServiceOk({"--company", "ACME Ltd"});
  EXPECT_EQ(options.bind, "0.0.0.0");
  EXPECT_EQ(options.port, 8877);
  EXPECT_EQ(options.company, "ACME Ltd");
  EXPECT_EQ(options.max_bitmap_mib, 64u);
  EXPECT_EQ(options.max_session_mib, 16u);
}

TEST(ServiceOptions, EveryOptionIsRead) {
  const ServiceOptions options = ServiceOk({"--bind", "127.0.0.1", "--port", "0", "--company", "X",
                                            "--max-bitmap-mib", "3", "--max-session-mib", "2",
                                            "--idle-timeout", "7", "--max-clients", "5"});
  EXPECT_EQ(options.bind, "127.0.0.1");
  EXPECT_EQ(options.port, 0);
  EXPECT_EQ(options.max_bitmap_mib, 3u);
  EXPECT_EQ(options.max_session_mib, 2u);
  EXPECT_EQ(options.idle_timeout_s, 7);
  EXPECT_EQ(options.max_clients, 5u);
}

TEST(ServiceOptions, RefusesToStartWithoutACompany) {
  EXPECT_NE(ServiceError({}).find("company"), std::string::npos);
  EXPECT_TRUE(ServiceOk({"--help"}).help) << "--help needs no company";
}

TEST(ServiceOptions, BadValuesAreNamed) {
  EXPECT_NE(ServiceError({"--company", "X", "--port", "65536"}).find("--port"), std::string::npos);
  EXPECT_NE(ServiceError({"--company", "X", "--port", "8877x"}).find("--port"), std::string::npos);
  EXPECT_NE(ServiceError({"--company", "X", "--max-bitmap-mib", "0"}).find("--max-bitmap-mib"), std::string::npos);
  EXPECT_NE(ServiceError({"--company", "X", "--bogus"}).find("--bogus"), std::string::npos);
  EXPECT_NE(ServiceError({"--company"}).find("--company"), std::string::npos);
}

TEST(ServiceOptions, CompanyFromConfigFileUnlessGivenOnTheCommandLine) {
  TempFile config("# settings\n\n  company = Config Co \nother=1\n");
  EXPECT_EQ(ServiceOk({"--config", config.path()}).company, "Config Co");
  EXPECT_EQ(ServiceOk({"--config", config.path(), "--company", "Cli"}).company, "Cli");

  TempFile empty("company=\n");
  EXPECT_NE(ServiceError({"--config", empty.path()}).find("company"), std::string::npos);
  EXPECT_NE(ServiceError({"--config", "/nonexistent/tessellux.conf"}).find("cannot read"), std::string::npos);
}

TEST(EncodeOptions, LayoutContentAndSecurity) {
  TempFile file("JPEG-ish");
  auto parsed = ParseEncodeOptions({"--rows", "4", "--cols", "6", "--reserved", "8", "--grid", "5", "--style",
                                    "dots", "--thickness", "3", "--text", "hi", "--file", file.path(), "--mode",
                                    "unique", "--temporary", "--company", "C", "--tag", "T", "--secret-phrase", "P",
                                    "--serial", "1234-5678-9012", "--max-bitmap-mib", "2", "-o", "out.bmp"});
  ASSERT_TRUE(std::holds_alternative<EncodeOptions>(parsed)) << std::get<std::string>(parsed);
  const auto& options = std::get<EncodeOptions>(parsed);
  const auto& layout = options.request.layout;
  EXPECT_EQ(layout.rows, 4);
  EXPECT_EQ(layout.cols, 6);
  EXPECT_EQ(layout.reserved, 8);
  EXPECT_EQ(layout.grid, 5);
  EXPECT_EQ(layout.style, symbol::Style::Dots);
  EXPECT_EQ(layout.thickness, 3);
  EXPECT_EQ(options.request.content.text, "hi");
  EXPECT_EQ(options.request.content.file, ToBytes("JPEG-ish"));
  const auto& security = options.request.security;
  EXPECT_EQ(security.mode, symbol::SecurityMode::Unique);
  EXPECT_TRUE(security.temporary);
  EXPECT_EQ(security.second, "1234-5678-9012");
  EXPECT_EQ(options.limits.max_bitmap_bytes, std::size_t{2} << 20);
  EXPECT_EQ(options.output, "out.bmp");
}

TEST(EncodeOptions, MissingPiecesAreRefused) {
  const auto error = [](const Args& args) {
    auto parsed = ParseEncodeOptions(args);
    return std::holds_alternative<std::string>(parsed) ? std::get<std::string>(parsed) : "";
  };
  EXPECT_NE(error({"--text", "x"}).find("-o"), std::string::npos);
  EXPECT_NE(error({"--mode", "private", "-o", "x.bmp"}).find("--company"), std::string::npos);
  EXPECT_NE(error({"--mode", "private", "--company", "C", "-o", "x.bmp"}).find("--secret-phrase"),
            std::string::npos);
  EXPECT_NE(error({"--mode", "unique", "--company", "C", "--secret-phrase", "P", "--serial", "12", "-o", "x"})
                .find("--serial"),
            std::string::npos);
  EXPECT_NE(error({"--grid", "256", "-o", "x"}).find("--grid"), std::string::npos);
  EXPECT_NE(error({"--file", "/nonexistent/file.zip", "-o", "x"}).find("cannot read"), std::string::npos);
  EXPECT_EQ(error({"--help"}), "");
}

}  // namespace
}  // namespace tessellux::codegen
