#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <variant>
#include <vector>

#include <unistd.h>

#include "codegen/service_options.h"

namespace tessellux::codegen {
namespace {

using Args = std::vector<std::string>;

// A config file that removes itself.
class ConfigFile {
 public:
  explicit ConfigFile(const std::string& text)
      : path_(::testing::TempDir() + "tessellux-config-" + std::to_string(::getpid()) + "-" +
              std::to_string(counter_++)) {
    std::ofstream(path_) << text;
  }
  ~ConfigFile() { std::remove(path_.c_str()); }
  const std::string& path() const { return path_; }

 private:
  static inline int counter_ = 0;
  std::string path_;
};

TEST(ServiceConfig, FileSetsEveryOptionAndTheCommandLineWins) {
  const ConfigFile file(
      "# the service's settings\n"
      "company = Acme Labs \n"
      "\n"
      "  # indented comment\n"
      "bind=127.0.0.1\n"
      "port=9011\n"
      "max-clients=5\n"
      "idle-timeout=30\n"
      "max-bitmap-mib=8\n"
      "max-session-mib=2\n");
  const auto from_file = ParseServiceOptions({"--config", file.path()});
  ASSERT_TRUE(std::holds_alternative<ServiceOptions>(from_file)) << std::get<std::string>(from_file);
  const auto& o = std::get<ServiceOptions>(from_file);
  EXPECT_EQ(o.company, "Acme Labs");
  EXPECT_EQ(o.bind, "127.0.0.1");
  EXPECT_EQ(o.port, 9011);
  EXPECT_EQ(o.max_clients, 5u);
  EXPECT_EQ(o.idle_timeout_s, 30);
  EXPECT_EQ(o.max_bitmap_mib, 8u);
  EXPECT_EQ(o.max_session_mib, 2u);

  // Options before and after --config both win over the file.
  const auto mixed = ParseServiceOptions({"--port", "9012", "--config", file.path(), "--company", "Cli Co"});
  ASSERT_TRUE(std::holds_alternative<ServiceOptions>(mixed)) << std::get<std::string>(mixed);
  const auto& m = std::get<ServiceOptions>(mixed);
  EXPECT_EQ(m.port, 9012);
  EXPECT_EQ(m.company, "Cli Co");
  EXPECT_EQ(m.bind, "127.0.0.1");
}

TEST(ServiceConfig, TheInstalledDefaultNeedsOnlyACompany) {
  // As shipped: every line a comment or a default, so the service refuses to
  // start until a company name is set, in the file or on the command line.
  const ConfigFile file("# company=Example Ltd\nbind=0.0.0.0\nport=8877\n");
  const auto parsed = ParseServiceOptions({"--config", file.path()});
  ASSERT_TRUE(std::holds_alternative<std::string>(parsed));
  EXPECT_NE(std::get<std::string>(parsed).find("company=NAME"), std::string::npos);
  const auto given = ParseServiceOptions({"--config", file.path(), "--company", "X"});
  ASSERT_TRUE(std::holds_alternative<ServiceOptions>(given));
  EXPECT_EQ(std::get<ServiceOptions>(given).port, 8877);
}

TEST(ServiceConfig, BadLinesAreNamedWithFileAndLine) {
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
    const ConfigFile file(text);
    const auto parsed = ParseServiceOptions({"--config", file.path(), "--company", "Cli"});
    ASSERT_TRUE(std::holds_alternative<std::string>(parsed)) << text;
    const std::string& error = std::get<std::string>(parsed);
    EXPECT_NE(error.find(file.path()), std::string::npos) << error;
    for (const auto& part : named) EXPECT_NE(error.find(part), std::string::npos) << error << " lacks " << part;
  }
  const auto missing = ParseServiceOptions({"--config", "/nonexistent/tessellux-codegen.conf"});
  ASSERT_TRUE(std::holds_alternative<std::string>(missing));
  EXPECT_NE(std::get<std::string>(missing).find("No such file"), std::string::npos) << std::get<std::string>(missing);
}

}  // namespace
}  // namespace tessellux::codegen
