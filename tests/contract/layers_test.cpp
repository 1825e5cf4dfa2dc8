// The folders' include rules, as docs/architecture.md lists them: each layer
// includes only the layers below it, so no cycle can form unseen.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>

namespace tessellux {
namespace {

namespace fs = std::filesystem;

using Folders = std::set<std::string>;

const std::map<std::string, Folders>& AllowedIncludes() {
  static const Folders logic = {"app", "geometry", "security", "link", "output", "generate", "pictures", "protocol"};
  // The window also checks prints through verify/, which reads pictures.
  static const Folders window = {"app",      "geometry", "security", "link",  "output",
                                 "generate", "pictures", "protocol", "verify"};
  static const std::map<std::string, Folders> allowed = {
      {"protocol", {}},
      {"cmdline", {}},
      {"symbol", {"protocol"}},
      {"app", {"protocol"}},
      {"geometry", {}},
      {"security", {"app", "protocol"}},
      {"link", {"app", "protocol"}},
      {"output", {"geometry", "app", "protocol"}},
      {"generate", {"app", "geometry", "security", "link", "output", "protocol"}},
      {"pictures", {"app", "output", "protocol"}},
      {"verify", {"symbol", "generate", "security", "app", "protocol"}},
      {"ui", window},
      {"codegen", {"protocol", "symbol", "cmdline"}},
      {"reader", {"protocol", "symbol", "cmdline"}},
  };
  return allowed;
}

// The project folders `file` includes from, other than its own.
Folders IncludedFolders(const fs::path& file, const std::string& own) {
  static const std::regex include(R"re(^\s*#\s*include\s+"([a-z_]+)/)re");
  Folders folders;
  std::ifstream in(file);
  std::string line;
  for (int n = 0; std::getline(in, line) && n < 100000; ++n) {
    std::smatch match;
    if (std::regex_search(line, match, include) && match[1] != own) folders.insert(match[1]);
  }
  return folders;
}

TEST(Layers, EachFolderIncludesOnlyTheLayersBelowIt) {
  const fs::path root = TESSELLUX_SOURCE_DIR;
  int files = 0;
  for (const auto& [folder, allowed] : AllowedIncludes()) {
    ASSERT_TRUE(fs::is_directory(root / folder)) << folder;
    for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
      const std::string extension = entry.path().extension().string();
      if (extension != ".h" && extension != ".cpp") continue;
      ++files;
      for (const std::string& included : IncludedFolders(entry.path(), folder)) {
        EXPECT_TRUE(allowed.count(included))
            << fs::relative(entry.path(), root).string() << " includes " << included << "/";
      }
    }
  }
  EXPECT_GT(files, 100) << "the scan found the sources";
}

}  // namespace
}  // namespace tessellux
