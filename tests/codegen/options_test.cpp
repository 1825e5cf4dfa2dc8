#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>

#include <unistd.h>

#include "codegen/encode_command.h"
#include "codegen/layout_check.h"
#include "codegen/service_options.h"
#include "protocol/bytes.h"

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

// A file in the test folder that removes itself.
class TempFile {
 public:
  explicit TempFile(const std::string& text)
      : path_(::testing::TempDir() + "tessellux-options-" + std::to_string(::getpid()) + "-" +
              std::to_string(counter_++)) {
    std::ofstream(path_) << text;
  }
  ~TempFile() { std::remove(path_.c_str()); }
  const std::string& path() const { return path_; }

 private:
  static inline int counter_ = 0;
  std::string path_;
};

TEST(ServiceOptions, DefaultsAndEveryOption) {
  const ServiceOptions defaults = Ok(ParseServiceOptions({"--company", "ACME Ltd"}));
  EXPECT_EQ(defaults.bind, "0.0.0.0");
  EXPECT_EQ(defaults.port, 8877);
  EXPECT_EQ(defaults.company, "ACME Ltd");
  EXPECT_EQ(defaults.max_bitmap_mib, 64u);
  EXPECT_EQ(defaults.max_session_mib, 16u);
  EXPECT_EQ(defaults.memory_budget_mib, 512u);
  EXPECT_EQ(defaults.frame_timeout_s, 5);
  EXPECT_EQ(defaults.idle_timeout_s, 0) << "idle links stay open";
  EXPECT_EQ(defaults.max_clients, 128u);
  EXPECT_EQ(defaults.max_clients_per_address, 8u);
  EXPECT_EQ(defaults.evict_idle_after_s, 60);
  const ServiceOptions o = Ok(ParseServiceOptions(
      {"--bind", "127.0.0.1", "--port", "0", "--company", "X", "--max-bitmap-mib", "4095", "--max-session-mib",
       "2", "--idle-timeout", "7", "--max-clients", "5", "--memory-budget-mib", "100", "--frame-timeout", "9",
       "--build-threads", "3", "--max-clients-per-address", "2", "--evict-idle-after", "0"}));
  EXPECT_EQ(o.bind, "127.0.0.1");
  EXPECT_EQ(o.port, 0);
  EXPECT_EQ(o.max_bitmap_mib, 4095u);
  EXPECT_EQ(o.memory_budget_mib, 100u);
  EXPECT_EQ(o.frame_timeout_s, 9);
  EXPECT_EQ(o.build_threads, 3);
  EXPECT_EQ(o.max_session_mib, 2u);
  EXPECT_EQ(o.idle_timeout_s, 7);
  EXPECT_EQ(o.max_clients, 5u);
  EXPECT_EQ(o.max_clients_per_address, 2u);
  EXPECT_EQ(o.evict_idle_after_s, 0);
  EXPECT_TRUE(Ok(ParseServiceOptions({"--help"})).help) << "--help needs no company";
  EXPECT_TRUE(Ok(ParseServiceOptions({"--version"})).version);
  EXPECT_NE(VersionText().find("tessellux-codegen "), std::string::npos);
}

TEST(ServiceOptions, ConfigFileSetsEveryOptionAndTheCommandLineWins) {
  const TempFile file(
      "# the service's settings\n company = Acme Labs \n\n  # indented comment\nbind=127.0.0.1\nport=9011\n"
      "max-clients=5\nidle-timeout=30\nmax-bitmap-mib=8\nmax-session-mib=2\n");
  const ServiceOptions o = Ok(ParseServiceOptions({"--config", file.path()}));
  EXPECT_EQ(o.company, "Acme Labs");
  EXPECT_EQ(o.bind, "127.0.0.1");
  EXPECT_EQ(o.port, 9011);
  EXPECT_EQ(o.idle_timeout_s, 30);
  EXPECT_EQ((std::array{o.max_clients, o.max_bitmap_mib, o.max_session_mib}), (std::array<std::size_t, 3>{5, 8, 2}));
  // Options before and after --config both win over the file.
  const ServiceOptions m = Ok(ParseServiceOptions({"--port", "9012", "--config", file.path(), "--company", "Cli"}));
  EXPECT_EQ(m.port, 9012);
  EXPECT_EQ(m.company, "Cli");
  EXPECT_EQ(m.bind, "127.0.0.1");
}

TEST(ServiceOptions, TheInstalledDefaultConfigNeedsOnlyACompany) {
  const TempFile file("# company=Example Ltd\nbind=0.0.0.0\nport=8877\n");
  EXPECT_NE(Error(ParseServiceOptions({"--config", file.path()})).find("company=NAME"), std::string::npos);
  EXPECT_EQ(Ok(ParseServiceOptions({"--config", file.path(), "--company", "X"})).port, 8877);
}

TEST(ServiceOptions, AConfigFileMayStartWithAByteOrderMark) {
  const TempFile file("\xEF\xBB\xBF" "company=Acme\nport=9013\n");
  const ServiceOptions o = Ok(ParseServiceOptions({"--config", file.path()}));
  EXPECT_EQ(o.company, "Acme");
  EXPECT_EQ(o.port, 9013);
  const TempFile later("company=Acme\n\xEF\xBB\xBFport=9013\n");
  EXPECT_NE(Error(ParseServiceOptions({"--config", later.path()})).find("line 2"), std::string::npos)
      << "only the file's first bytes may be a mark";
}

// Each discovery answer carries the name: its length bounds what one query
// can make the service send.
TEST(ServiceOptions, TheCompanyNameHasACap) {
  EXPECT_EQ(Ok(ParseServiceOptions({"--company", std::string(kMaxCompanyBytes, 'c')})).company.size(),
            kMaxCompanyBytes);
  const std::string error = Error(ParseServiceOptions({"--company", std::string(60000, 'c')}));
  EXPECT_NE(error.find("60000 bytes long; at most 100"), std::string::npos) << error;
  const TempFile file("company=" + std::string(kMaxCompanyBytes + 1, 'c') + "\n");
  EXPECT_NE(Error(ParseServiceOptions({"--config", file.path()})).find("at most 100"), std::string::npos);
  EXPECT_NE(ServiceUsage().find("at most " + std::to_string(kMaxCompanyBytes) + " bytes"), std::string::npos);
}

TEST(ServiceOptions, BadConfigLinesAreNamedWithFileAndLine) {
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {"company=X\nport=70000\n", {"line 2", "--port"}},
      {"company=X\nprot=9000\n", {"line 2", "prot"}},
      {"company=X\nbind 127.0.0.1\n", {"line 2", "key=value", "bind 127.0.0.1"}},
      {"company=\n", {"line 1", "company= needs a value"}},
      {"company=X\nconfig=/etc/other.conf\n", {"line 2", "config"}},
      {"company=X\n=9000\n", {"line 2", "unknown setting"}},
      {"company=X\nmax-clients=0\n", {"line 2", "--max-clients"}},
  };
  for (const auto& [text, named] : cases) {
    const TempFile file(text);
    const std::string error = Error(ParseServiceOptions({"--config", file.path(), "--company", "Cli"}));
    EXPECT_NE(error.find(file.path()), std::string::npos) << text << " / " << error;
    for (const auto& part : named) EXPECT_NE(error.find(part), std::string::npos) << error << " lacks " << part;
  }
}

TEST(Options, BadOrMissingValuesAreNamed) {
  const TempFile empty("company=\n");
  const std::pair<Args, std::string> service[] = {
      {{}, "company"},
      {{"--bogus"}, "unknown option --bogus"},
      {{"--company", "X", "stray"}, "unexpected argument \"stray\""},
      {{"--company", "X", "--max-bitmap-mib", "4096"}, "4 GiB), not \"4096\""},
      {{"--company", "X", "--idle-timeout", "-1"}, "not \"-1\""},
      {{"--company", "X", "--memory-budget-mib", "60"}, "--memory-budget-mib 60 is too small"},
      {{"--company", "X", "--memory-budget-mib", "60", "--max-clients", "4", "--build-threads", "1"}, ""},
      {{"--config", empty.path()}, "company"},
      {{"--config", "/nonexistent/tessellux.conf"}, "cannot read config file /nonexistent/tessellux.conf: No such file"},
      {{"--company", "X", "--port", "65536"}, "--port"},
      {{"--company", "X", "--port", "8877x"}, "--port needs a number from 0 to 65535, not \"8877x\""},
      {{"--company", "X", "--max-bitmap-mib", "0"}, "--max-bitmap-mib"},
      {{"--company", "X", "--bogus"}, "--bogus"},
      {{"--company"}, "--company"},
  };
  for (const auto& [args, named] : service) {
    const std::string error = Error(ParseServiceOptions(args));
    EXPECT_EQ(error.empty(), named.empty()) << error;
    EXPECT_NE(error.find(named), std::string::npos) << named << " / " << error;
  }

  const std::pair<Args, std::string> encode[] = {
      {{"--text", "x"}, "-o"},
      {{"--mode", "private", "-o", "x.bmp"}, "--company"},
      {{"--mode", "private", "--company", "C", "-o", "x.bmp"}, "--secret-phrase"},
      {{"--mode", "unique", "--company", "C", "--secret-phrase", "P", "--serial", "12", "-o", "x"}, "--serial"},
      {{"--grid", "256", "-o", "x"}, "--grid"},
      {{"--file", "/nonexistent/file.zip", "-o", "x"}, "--file /nonexistent/file.zip: No such file"},
      {{"--text-file", ::testing::TempDir(), "-o", "x"}, "is a folder"},
      {{"--bogus", "-o", "x"}, "unknown option --bogus"},
      {{"-o", "x", "--grid"}, "option --grid needs a value"},
      {{"--text", "x", "--out", "/nonexistent/folder/x.bmp"}, "folder /nonexistent/folder does not exist"},
      {{"--max-bitmap-mib", "4096", "-o", "x"}, "not \"4096\""},
  };
  for (const auto& [args, named] : encode) {
    const std::string error = Error(ParseEncodeOptions(args));
    EXPECT_NE(error.find(named), std::string::npos) << named << " / " << error;
  }
  EXPECT_EQ(Error(ParseEncodeOptions({"--help"})), "");
}

TEST(LayoutProblem, NamesTheValueOutOfRange) {
  const std::pair<symbol::Layout, std::string> cases[] = {
      {{0, 0, 0, 8, symbol::Style::Lines, 2}, ""},
      {{3, 0, 0, 8, symbol::Style::Lines, 2}, "rows 3 is out of range"},
      {{0, 255, 0, 8, symbol::Style::Lines, 2}, "columns 255 is out of range"},
      {{0, 0, 5, 8, symbol::Style::Lines, 2}, "reserved bytes 5 is out of range"},
      {{0, 0, 0, 2, symbol::Style::Lines, 2}, "grid 2 is out of range (3 to 128)"},
      {{0, 0, 0, 8, static_cast<symbol::Style>(3), 2}, "style 3 is out of range"},
      {{0, 0, 0, 8, symbol::Style::Dots, 9}, "thickness 9 is out of range (1 to 8)"},
  };
  for (const auto& [layout, named] : cases) {
    const std::string problem = LayoutProblem(layout).value_or("");
    EXPECT_EQ(problem.empty(), named.empty()) << problem;
    EXPECT_NE(problem.find(named), std::string::npos) << named;
  }
  EXPECT_EQ(BuildErrorText(symbol::BuildError::BadParameters, cases[4].first),
            "layout parameters out of range: grid 2 is out of range (3 to 128)");
}

// GNU conventions and the older names; the config file takes aliases as keys.
TEST(ServiceOptions, EqualsFormsAliasesAndConfigKeys) {
  const ServiceOptions o = Ok(ParseServiceOptions({"--company=ACME", "--host=127.0.0.1", "--port=9001", "-V"}));
  EXPECT_TRUE(o.version);
  const ServiceOptions p = Ok(ParseServiceOptions({"--company=ACME", "--host=127.0.0.1", "--port=9001"}));
  EXPECT_EQ(p.bind, "127.0.0.1");
  EXPECT_EQ(p.port, 9001);
  const TempFile config("\xEF\xBB\xBF" "company=From File\nhost=127.0.0.2\n");
  const ServiceOptions q = Ok(ParseServiceOptions({"--config=" + config.path()}));
  EXPECT_EQ(q.company, "From File");
  EXPECT_EQ(q.bind, "127.0.0.2");
  EXPECT_NE(Error(ParseServiceOptions({"--company=X", "stray"})).find("unexpected argument \"stray\""),
            std::string::npos);
  EXPECT_NE(Error(ParseServiceOptions({"--company", "X", "--help=yes"})).find("--help takes no value"),
            std::string::npos);
}

TEST(EncodeOptions, OneNamePerConceptWithTheOlderOnesKept) {
  const TempFile phrase("from a file\n");
  const EncodeOptions o = Ok(ParseEncodeOptions({"--columns=4", "--rows=2", "--error-correction=5", "--security",
                                                 "cascaded", "--company", "C", "--secret-phrase-file", phrase.path(),
                                                 "--second-phrase", "old", "--output=-"}));
  EXPECT_EQ(o.request.layout.cols, 4);
  EXPECT_EQ(o.request.layout.reserved, 10) << "two parity bytes per correctable byte";
  EXPECT_EQ(o.request.security.mode, symbol::SecurityMode::Cascaded);
  EXPECT_EQ(o.request.security.phrase, "from a file");
  EXPECT_EQ(o.request.security.second, "old");
  EXPECT_EQ(o.output, "-");
  const EncodeOptions older = Ok(ParseEncodeOptions({"--mode=cascaded", "--company=C", "--secret-phrase=P",
                                                     "--old-phrase=old", "--out", "x.bmp"}));
  EXPECT_EQ(older.request.security.second, "old");
  EXPECT_EQ(older.output, "x.bmp");
}

TEST(EncodeOptions, LayoutContentAndSecurity) {
  const TempFile file("JPEG-ish");
  const EncodeOptions o = Ok(ParseEncodeOptions(
      {"--rows", "4", "--cols", "6", "--reserved", "8", "--grid", "5", "--style", "dots", "--thickness", "3",
       "--text", "hi", "--file", file.path(), "--mode", "unique", "--temporary", "--company", "C", "--tag", "T",
       "--secret-phrase", "P", "--serial", "1234-5678-9012", "--max-bitmap-mib", "2", "-o", "out.bmp"}));
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
