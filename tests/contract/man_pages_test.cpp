// The manual pages and the programs' own --help come from one table per
// program: every option and alias --help lists is in the page, and the page
// names no option that none of the programs has.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "support/shell_run.h"

namespace tessellux {
namespace {

using Names = std::set<std::string>;

Names LongOptions(const std::string& text) {
  static const std::regex option("--[a-z][a-z0-9-]*[a-z0-9]");
  Names names;
  for (std::sregex_iterator it(text.begin(), text.end(), option), end; it != end; ++it) names.insert(it->str());
  return names;
}

std::string Help(const std::string& command) {
  const auto outcome = testing::RunShell(command + " --help");
  EXPECT_EQ(outcome.code, 0) << command;
  return outcome.output;
}

// The page's text with roff's escaped dashes as plain ones.
std::string ManPage(const std::string& name) {
  std::ifstream in(std::string(TESSELLUX_SOURCE_DIR) + "/packaging/man/" + name);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_FALSE(text.empty()) << name;
  std::string plain;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '-') continue;
    plain += text[i];
  }
  return plain;
}

struct Tool {
  std::string page;
  std::vector<std::string> commands;  // whose --help the page covers
};

TEST(ManPages, ListEveryOptionOfTheProgramsHelpAndNoOther) {
  const std::string codegen = std::string("'") + TESSELLUX_CODEGEN_PATH + "'";
  std::vector<Tool> tools = {
      {"tessellux-read.1", {std::string("'") + TESSELLUX_READ_PATH + "'"}},
      {"tessellux-codegen.1.in", {codegen, codegen + " encode"}},
  };
#ifdef TESSELLUX_BUILD_PATH
  tools.push_back({"tessellux-build.1", {std::string("'") + TESSELLUX_BUILD_PATH + "'"}});
#endif
  Names every;
  std::vector<Names> helps;
  for (const Tool& tool : tools) {
    Names names;
    for (const auto& command : tool.commands) names.merge(LongOptions(Help(command)));
    EXPECT_GT(names.size(), 5u) << tool.page;
    every.insert(names.begin(), names.end());
    helps.push_back(std::move(names));
  }
  every.insert("--now");  // systemctl's, in how to start the service
  for (std::size_t i = 0; i < tools.size(); ++i) {
    const Names in_page = LongOptions(ManPage(tools[i].page));
    for (const auto& name : helps[i]) EXPECT_TRUE(in_page.count(name)) << tools[i].page << " lacks " << name;
    for (const auto& name : in_page) EXPECT_TRUE(every.count(name)) << tools[i].page << " names " << name;
  }
}

}  // namespace
}  // namespace tessellux
