// The conventions every program's command line follows, on a small table.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <unistd.h>

#include "cmdline/cmdline.h"

namespace tessellux::cmdline {
namespace {

const Program& Sample() {
  static const Program program{
      "sample",
      {"[OPTIONS] FILE"},
      "Does a sample thing.",
      {
          {"Layout",
           {
               {"columns", 0, "N", "block columns", "cols"},
               {"security", 0, "MODE", "the mode", "mode"},
               {"second-phrase", 0, "P", "serial or old phrase;\nsecond line", "serial old-phrase"},
           }},
          {"Output",
           {
               {"output", 'o', "OUT", "the file", "out"},
               {"quiet", 'q', nullptr, "say less"},
               {"verbose", 'v', nullptr, "say more"},
               {"json", 0, nullptr, "JSON"},
           }},
      },
      {"sample --cols 2 -o - in.txt"},
      "Exit codes: 0 fine.\n"};
  return program;
}

// "name=value" for options with a value, "name" for flags.
std::vector<std::string> Names(const Parsed& parsed) {
  std::vector<std::string> out;
  for (const auto& given : parsed.options) out.push_back(given.name + (given.value ? "=" + *given.value : ""));
  return out;
}

TEST(Parse, GnuConventionsAndAliasesGiveTheOneName) {
  const Parsed parsed = Parse(Sample(), {"--columns=4", "--cols", "6", "in.txt", "-qv", "-o", "-", "--mode=private",
                                         "--serial", "1234", "--old-phrase=old", "--out=x", "-oy", "--", "--json"});
  EXPECT_EQ(Names(parsed), (std::vector<std::string>{"columns=4", "columns=6", "quiet", "verbose", "output=-",
                                                     "security=private", "second-phrase=1234", "second-phrase=old",
                                                     "output=x", "output=y"}));
  EXPECT_EQ(parsed.operands, (std::vector<std::string>{"in.txt", "--json"})) << "-- ends the options";
  EXPECT_EQ(parsed.options[1].spelled, "--cols");
  EXPECT_EQ(parsed.options[4].spelled, "-o");
  // A value may begin with a dash; "-" alone is an operand.
  EXPECT_EQ(Names(Parse(Sample(), {"--columns", "-3"})), (std::vector<std::string>{"columns=-3"}));
  EXPECT_EQ(Parse(Sample(), {"-"}).operands, (std::vector<std::string>{"-"}));
  // Parsing twice starts afresh.
  EXPECT_EQ(Names(Parse(Sample(), {"-q"})), (std::vector<std::string>{"quiet"}));
}

TEST(Parse, ErrorsNameTheOption) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"--colour", "red"}, "unknown option --colour"},
      {{"--colour=red"}, "unknown option --colour"},
      {{"-x"}, "unknown option -x"},
      {{"--cols"}, "option --cols needs a value"},
      {{"-o"}, "option -o needs a value"},
      {{"--json=yes"}, "option --json takes no value"},
      {{"--quiet=1"}, "option --quiet takes no value"},
      {{"-q", "--cols=2", "-x"}, "unknown option -x"},
  };
  for (const auto& [args, message] : cases) {
    try {
      Parse(Sample(), args);
      ADD_FAILURE() << args[0] << " was taken";
    } catch (const UsageError& error) {
      EXPECT_EQ(std::string(error.what()), message);
    }
  }
  EXPECT_EQ(kExitUsage, 2);
}

TEST(Help, ListsEveryNameExamplesAndExitCodes) {
  const std::string help = HelpText(Sample());
  EXPECT_EQ(help.rfind("Usage: sample [OPTIONS] FILE\n\nDoes a sample thing.\n", 0), 0u) << help;
  for (const char* part : {"Layout:\n", "      --columns, --cols N", "  -o, --output, --out OUT", "  -q, --quiet",
                           "second line\n", "Examples:\n  sample --cols 2 -o - in.txt\n", "Exit codes: 0 fine.\n"}) {
    EXPECT_NE(help.find(part), std::string::npos) << part << "\n" << help;
  }
  EXPECT_EQ(AllNames(Sample()),
            (std::vector<std::string>{"--columns", "--cols", "--security", "--mode", "--second-phrase", "--serial",
                                      "--old-phrase", "-o", "--output", "--out", "-q", "--quiet", "-v", "--verbose",
                                      "--json"}));
  EXPECT_EQ(Find(Sample(), "cols")->name, std::string("columns"));
  EXPECT_EQ(Find(Sample(), "colour"), nullptr);
  EXPECT_EQ(HelpHint(Sample()), "Try 'sample --help' for the options.");
}

// Any readable path: a pipe or /dev/stdin as well as a file; never a folder.
TEST(ReadText, AnyReadablePathAndOneLinePhrases) {
  const std::string path = ::testing::TempDir() + "cmdline_phrase_" + std::to_string(::getpid());
  std::ofstream(path) << "secret words\r\n";
  EXPECT_EQ(ReadPhrase("--secret-phrase-file", path), "secret words");
  EXPECT_EQ(ReadText("--text-file", path, 100), "secret words\r\n");
  EXPECT_THROW(ReadText("--text-file", path, 4), UsageError);
  int ends[2];
  ASSERT_EQ(::pipe(ends), 0);
  ASSERT_EQ(::write(ends[1], "piped\n", 6), 6);
  ::close(ends[1]);
  EXPECT_EQ(ReadPhrase("--secret-phrase-file", "/dev/fd/" + std::to_string(ends[0])), "piped");
  ::close(ends[0]);
  try {
    ReadText("--text-file", ::testing::TempDir(), 100);
    ADD_FAILURE() << "a folder was read";
  } catch (const UsageError& error) {
    EXPECT_NE(std::string(error.what()).find("is a folder"), std::string::npos) << error.what();
  }
  try {
    ReadText("--text-file", "/no/such/file", 100);
    ADD_FAILURE();
  } catch (const UsageError& error) {
    EXPECT_EQ(std::string(error.what()), "--text-file /no/such/file: No such file or directory");
  }
  std::remove(path.c_str());
}

TEST(Json, FailureIsOneObjectWithTheTextEscaped) {
  EXPECT_EQ(JsonFailure(2, "bad \"x\"\n\\ \x01"),
            "{\"ok\":false,\"exit_code\":2,\"error\":\"bad \\\"x\\\"\\n\\\\ \\u0001\"}\n");
}

}  // namespace
}  // namespace tessellux::cmdline
