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

// The parsed options, or a failure naming the error.
template <typename Options>
Options Ok(const std::variant<Options, std::string>& parsed) {
  if (auto* error = std::get_if<std::string>(&parsed)) ADD_FAILURE() << *error;
  return std::holds_alternative<Options>(parsed) ? std::get<Options>(parsed) : Options{};
}

template <typename Options>
std::string Error(const std::variant<Options, std::string>& parsed) {
  return std::holds_alternative<std::string>(parsed) ? std::get<std::string>(parsed) : "";
}

std::string WriteTemp(const std::string& name, const std::string& text) {
  const std::string path = ::testing::TempDir() + "tessellux-options-" + std::to_string(::getpid()) + name;
  std::ofstream(path) << text;
  return path;
}

TEST(ServiceOptions, DefaultsAndEveryOption) {
  const ServiceOptions defaults = Ok(ParseServiceOptions({"--company", "ACME Ltd"}));
  EXPECT_EQ(defaults.bind, "0.0.0.0");
  EXPECT_EQ(defaults.port, 8877);
  EXPECT_EQ(defaults.company, "ACME Ltd");
  EXPECT_EQ(defaults.max_bitmap_mib, 64u);
  EXPECT_EQ(defaults.max_session_mib, 16u);
  const ServiceOptions o = Ok(ParseServiceOptions({"--bind", "127.0.0.1", "--port", "0", "--company", "X",
                                                   "--max-bitmap-mib", "3", "--max-session-mib", "2",
                                                   "--idle-timeout", "7", "--max-clients", "5"}));
  EXPECT_EQ(o.bind, "127.0.0.1");
  EXPECT_EQ(o.port, 0);
  EXPECT_EQ(o.max_bitmap_mib, 3u);
  EXPECT_EQ(o.max_session_mib, 2u);
  EXPECT_EQ(o.idle_timeout_s, 7);
  EXPECT_EQ(o.max_clients, 5u);
  EXPECT_TRUE(Ok(ParseServiceOptions({"--help"})).help) << "--help needs no company";
}

TEST(ServiceOptions, CompanyFromConfigFileUnlessGivenOnTheCommandLine) {
  const std::string config = WriteTemp("config", "# settings\n\n  company = Config Co \nport=9000\n");
  EXPECT_EQ(Ok(ParseServiceOptions({"--config", config})).company, "Config Co");
  EXPECT_EQ(Ok(ParseServiceOptions({"--config", config, "--company", "Cli"})).company, "Cli");
  std::remove(config.c_str());
}

TEST(Options, BadOrMissingValuesAreNamed) {
  const std::string empty = WriteTemp("empty", "company=\n");
  const std::pair<Args, std::string> service[] = {
      {{}, "company"},
      {{"--config", empty}, "company"},
      {{"--config", "/nonexistent/tessellux.conf"}, "cannot read"},
      {{"--company", "X", "--port", "65536"}, "--port"},
      {{"--company", "X", "--port", "8877x"}, "--port"},
      {{"--company", "X", "--max-bitmap-mib", "0"}, "--max-bitmap-mib"},
      {{"--company", "X", "--bogus"}, "--bogus"},
      {{"--company"}, "--company"},
  };
  for (const auto& [args, named] : service) {
    EXPECT_NE(Error(ParseServiceOptions(args)).find(named), std::string::npos) << named;
  }
  std::remove(empty.c_str());

  const std::pair<Args, std::string> encode[] = {
      {{"--text", "x"}, "-o"},
      {{"--mode", "private", "-o", "x.bmp"}, "--company"},
      {{"--mode", "private", "--company", "C", "-o", "x.bmp"}, "--secret-phrase"},
      {{"--mode", "unique", "--company", "C", "--secret-phrase", "P", "--serial", "12", "-o", "x"}, "--serial"},
      {{"--grid", "256", "-o", "x"}, "--grid"},
      {{"--file", "/nonexistent/file.zip", "-o", "x"}, "cannot read"},
  };
  for (const auto& [args, named] : encode) {
    EXPECT_NE(Error(ParseEncodeOptions(args)).find(named), std::string::npos) << named;
  }
  EXPECT_EQ(Error(ParseEncodeOptions({"--help"})), "");
}

TEST(EncodeOptions, LayoutContentAndSecurity) {
  const std::string file = WriteTemp("file", "JPEG-ish");
  const EncodeOptions o = Ok(ParseEncodeOptions(
      {"--rows", "4", "--cols", "6", "--reserved", "8", "--grid", "5", "--style", "dots", "--thickness", "3",
       "--text", "hi", "--file", file, "--mode", "unique", "--temporary", "--company", "C", "--tag", "T",
       "--secret-phrase", "P", "--serial", "1234-5678-9012", "--max-bitmap-mib", "2", "-o", "out.bmp"}));
  std::remove(file.c_str());
  const auto& layout = o.request.layout;
  EXPECT_EQ((std::array{layout.rows, layout.cols, layout.reserved, layout.grid, layout.thickness}),
            (std::array{4, 6, 8, 5, 3}));
  EXPECT_EQ(layout.style, symbol::Style::Dots);
  EXPECT_EQ(o.request.content.text, "hi");
  EXPECT_EQ(o.request.content.file, ToBytes("JPEG-ish"));
  EXPECT_EQ(o.request.security.mode, symbol::SecurityMode::Unique);
  EXPECT_TRUE(o.request.security.temporary);
  EXPECT_EQ(o.request.security.second, "1234-5678-9012");
  EXPECT_EQ(o.limits.max_bitmap_bytes, std::size_t{2} << 20);
  EXPECT_EQ(o.output, "out.bmp");
}

}  // namespace
}  // namespace tessellux::codegen
