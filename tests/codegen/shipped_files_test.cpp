// What the service's package ships: the config file's commented defaults
// must be the program's, and the unit must let build threads lower their
// priority.

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

#include <unistd.h>

#include "codegen/service_options.h"

namespace tessellux::codegen {
namespace {

std::vector<std::string> Lines(const std::string& path) {
  std::ifstream in(path);
  EXPECT_TRUE(in) << path;
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

ServiceOptions Parsed(const std::string& config_text) {
  const std::string path = ::testing::TempDir() + "tessellux-shipped-" + std::to_string(::getpid());
  std::ofstream(path) << config_text;
  auto parsed = ParseServiceOptions({"--config", path});
  std::remove(path.c_str());
  if (auto* error = std::get_if<std::string>(&parsed)) {
    ADD_FAILURE() << *error;
    return {};
  }
  return std::get<ServiceOptions>(parsed);
}

// Every setting the file names, commented out or not, holds the default.
TEST(ShippedConfig, EverySettingItShowsIsTheDefault) {
  const ServiceOptions defaults = Parsed("company=X\n");
  const std::regex setting(R"(^#?([a-z-]+)=(.*)$)");
  int shown = 0;
  for (const std::string& line : Lines(TESSELLUX_SOURCE_DIR "/packaging/tessellux-codegen.conf")) {
    std::smatch match;
    if (!std::regex_match(line, match, setting) || match[1] == "company") continue;
    SCOPED_TRACE(line);
    EXPECT_EQ(Parsed("company=X\n" + match[1].str() + "=" + match[2].str() + "\n"), defaults);
    ++shown;
  }
  EXPECT_GE(shown, 9) << "the file shows the limits";
}

// systemd merges SystemCallFilter= lines in order: the first is the allowed
// set (@system-service holds @resources), "~" lines take out, later plain
// lines put back.
TEST(ShippedUnit, BuildThreadsMayLowerTheirPriority) {
  bool allowed = false;
  int filters = 0;
  for (const std::string& line : Lines(TESSELLUX_SOURCE_DIR "/packaging/tessellux-codegen.service.in")) {
    if (!line.starts_with("SystemCallFilter=")) continue;
    const std::string value = line.substr(line.find('=') + 1);
    const bool deny = value.starts_with("~");
    const bool first = ++filters == 1;
    const bool names_it = value.find("setpriority") != std::string::npos ||
                          value.find("@resources") != std::string::npos ||
                          (first && value.find("@system-service") != std::string::npos);
    if (names_it) allowed = !deny;
  }
  EXPECT_TRUE(allowed);
}

}  // namespace
}  // namespace tessellux::codegen
