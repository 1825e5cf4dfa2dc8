// tessellux-build's own parsing: the strict batch JSON and the options,
// whose errors must name the bad value.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "cli/json.h"
#include "cli/options.h"
#include "generate/input_checks.h"
#include "app/data_choice.h"
#include "pictures/jpeg_recompress.h"
#include "security/field_checks.h"

namespace tessellux::cli {
namespace {

using Kind = JsonScalar::Kind;

TEST(FlatJson, ReadsScalarsAndEscapes) {
  std::string error;
  const auto object = ParseFlatObject(
      R"( {"url":"http://x/\u00e9\ud83d\ude00\n","grid":4,"dpi":-1.5e2,"mirror":true,"temporary":false,"tag":null} )",
      &error);
  ASSERT_TRUE(object) << error;
  EXPECT_EQ(object->at("url").text, "http://x/\xC3\xA9\xF0\x9F\x98\x80\n");
  EXPECT_EQ(object->at("grid").kind, Kind::kNumber);
  EXPECT_EQ(object->at("dpi").text, "-1.5e2");
  EXPECT_EQ(object->at("mirror").kind, Kind::kTrue);
  EXPECT_EQ(object->at("temporary").kind, Kind::kFalse);
  EXPECT_EQ(object->at("tag").kind, Kind::kNull);
  EXPECT_TRUE(ParseFlatObject("{}", &error));
  EXPECT_EQ(JsonString("a\"b\\c\n\x01\x1b"), R"("a\"b\\c\n\u0001\u001B")");
}

TEST(FlatJson, RefusesWhatIsNotStrictJson) {
  for (const char* bad : {"", "[]", "{\"a\":1,}", "{'a':1}", "{\"a\":01}", "{\"a\":1.}", "{\"a\":.5}",
                          "{\"a\":\"x\" \"b\":1}", "{\"a\":1} x", "{\"a\":[1]}", "{\"a\":{}}", "{\"a\":\"\\x\"}",
                          "{\"a\":\"\\ud800\"}", "{\"a\":\"tab\there\"}", "{\"a\":1,\"a\":2}", "{\"a\":tru}",
                          "{\"a\":\"open}"}) {
    std::string error;
    EXPECT_FALSE(ParseFlatObject(bad, &error)) << bad;
    EXPECT_NE(error.find("column"), std::string::npos) << bad << ": " << error;
  }
}

std::string UsageErrorOf(const std::vector<std::string>& args) {
  try {
    const ToolOptions tool = ParseCommandLine(args);
    MakeBuildRequest(tool.symbol);
  } catch (const UsageError& error) {
    return error.what();
  }
  return "(accepted)";
}

TEST(Options, ErrorsNameTheBadValue) {
  const struct {
    std::vector<std::string> args;
    const char* says;
  } cases[] = {
      {{"--bogus"}, "unknown option --bogus"},
      {{"--url"}, "option --url needs a value"},
      {{"--url", "http://x", "-o", "a.bmp", "--grid", "2"}, "--grid 2:"},
      {{"--url", "http://x", "-o", "a.bmp", "--rows", "3", "--columns", "4"}, "--rows 3:"},
      {{"--url", "http://x", "-o", "a.bmp", "--rows", "4"}, "--rows and --columns together"},
      {{"--url", "http://x", "-o", "a.bmp", "--error-correction", "18"}, "--error-correction 18:"},
      {{"--url", "http://x", "-o", "a.bmp", "--style", "wavy"}, "--style wavy:"},
      {{"--url", "http://x", "-o", "a.bmp", "--security", "secret"}, "--security secret:"},
      {{"--url", "http://x", "-o", "a.gif"}, "-o a.gif:"},
      {{"--url", "http://x", "-o", "page.pdf", "--dpi", "600.5"}, "a whole number of dots per inch"},
      {{"--url", "http://x", "-o", "/no/such/folder/a.bmp"}, "the folder /no/such/folder does not exist"},
      {{"--jpeg", "p.jpg", "--url", "http://x", "-o", "a.bmp"}, "--jpeg goes alone or with a text"},
      {{"--jpeg", "p.jpg", "--quality", "96", "-o", "a.bmp"}, "--quality 96: the JPEG quality is 5 to 95"},
      {{"--url", "http://x", "--text", "t", "-o", "a.bmp"}, "give one of"},
      {{"-o", "a.bmp"}, "nothing to build"},
      {{"--url", "http://x"}, "no output file"},
      {{"--text-file", "/no/such.txt", "-o", "a.bmp"}, "--text-file /no/such.txt: No such file"},
      {{"--text", "\xC3", "-o", "a.bmp"}, "not valid UTF-8"},
      {{"--url", "http://x", "-o", "a.bmp", "--dpi", "0"}, "--dpi 0:"},
      {{"--url", "http://x", "-o", "a.bmp", "--port", "70000"}, "--port 70000:"},
      {{"--url", "http://x", "-o", "a.pdf", "--paper", "tabloid"}, "--paper tabloid: the papers are a4, letter"},
      {{"--batch", "-", "--secret-phrase-file", "-"},
       "--batch and --secret-phrase-file both read standard input (-); give one of them a file"},
      {{"--text-file", "-", "--second-phrase-file", "-", "-o", "a.bmp"}, "--text-file and --second-phrase-file both"},
  };
  ::unsetenv("TESSELLUX_SECRET_PHRASE");
  ::unsetenv("TESSELLUX_SECOND_PHRASE");
  for (const auto& c : cases) {
    const std::string error = UsageErrorOf(c.args);
    EXPECT_NE(error.find(c.says), std::string::npos) << c.args[0] << " ... gave: " << error;
  }
}

// The Security tab's status line, as the window shows it, goes to the
// driver's check; phrases not given stay blank for it to name.
TEST(Options, SecurityStatusIsTheWindowsStatusLine) {
  ::unsetenv("TESSELLUX_SECRET_PHRASE");
  ::unsetenv("TESSELLUX_SECOND_PHRASE");
  const struct {
    std::vector<std::string> args;
    std::string status;
  } cases[] = {
      {{"--url", "http://x"}, ""},
      {{"--url", "http://x", "--security", "private"}, "Secret Phrase cannot be blank"},
      {{"--security", "unique", "--secret-phrase", "p", "--second-phrase", "12-34"}, security::kSerialNumberMessage},
      {{"--security", "unique", "--secret-phrase", "p"}, security::kSerialNumberMessage},
      {{"--security", "unique", "--secret-phrase", "p", "--second-phrase", "1234-5678-9012"}, ""},
      {{"--security", "cascaded", "--second-phrase", "old"}, "New Secret Phrase cannot be blank"},
      {{"--security", "cascaded", "--secret-phrase", "new"}, "Old Secret Phrase cannot be blank"},
      {{"--security", "cascaded", "--secret-phrase", "new", "--second-phrase", "1234-5678-9012"}, ""},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"-o", "a.bmp"});
    const ToolOptions tool = ParseCommandLine(args);
    const generate::BuildRequest r = MakeBuildRequest(tool.symbol);
    const auto checked = generate::CheckBeforeGeneration(r);
    EXPECT_EQ(checked ? "" : app::JoinParagraphs(checked.error().warning, "\n"), c.status) << args[1] << " " << args[2];
  }
}

// A picture is recompressed into a private work file of its own, made with
// the request and gone with it.
TEST(Options, JpegGoesOutAsTheWindowsDataChoice) {
  const struct {
    std::vector<std::string> args;
    int choice;
  } cases[] = {
      {{"--jpeg", "p.jpg"}, app::kPictureOnly},
      {{"--jpeg", "p.jpg", "--text", "t"}, app::kTextPlusPicture},
  };
  std::string first_work_file;
  for (const auto& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"-o", "a.bmp"});
    const ToolOptions tool = ParseCommandLine(args);
    std::string work;
    {
      const generate::BuildRequest r = MakeBuildRequest(tool.symbol);
      EXPECT_EQ(r.data, c.choice);
      EXPECT_EQ(r.picture_file, "p.jpg");
      EXPECT_EQ(tool.symbol.quality, pictures::kDefaultQuality);
      ASSERT_TRUE(r.prepare_picture);
      work = r.picture_upload;
      EXPECT_NE(work, first_work_file);
      const auto status = std::filesystem::status(work);
      ASSERT_EQ(status.type(), std::filesystem::file_type::regular);
      EXPECT_EQ(status.permissions() & std::filesystem::perms::all, std::filesystem::perms::owner_read |
                                                                        std::filesystem::perms::owner_write);
      const auto warning = r.prepare_picture();  // p.jpg does not exist
      ASSERT_TRUE(warning);
      EXPECT_EQ(warning->title, "Picture Not Usable");
      const std::string text = app::JoinParagraphs(*warning, "\n");
      EXPECT_NE(text.find("p.jpg"), std::string::npos) << text;
      first_work_file = work;
    }
    EXPECT_FALSE(std::filesystem::exists(work));
  }
}

TEST(Options, ChoicesBecomeTheWindowsRequest) {
  const ToolOptions tool = ParseCommandLine({"--text", "caf\xC3\xA9", "-o", "a.png", "--rows", "1", "--columns", "254",
                                             "--error-correction", "17", "--grid", "4", "--thickness", "3", "--style",
                                             "dots", "--mirror", "--dpi", "300", "--host", "h1", "--host", "h2"});
  const generate::BuildRequest r = MakeBuildRequest(tool.symbol);
  EXPECT_EQ(r.data, app::kText);
  EXPECT_EQ(r.text, (Bytes{'c', 'a', 'f', 0xC3, 0xA9}));
  const auto layout = generate::LayoutBytes(r.layout);
  EXPECT_EQ(layout, (std::array<std::uint8_t, 6>{1, 254, 34, 4, 2, 3}));
  EXPECT_TRUE(r.layout.mirror);
  EXPECT_EQ(tool.symbol.dpi, 300);
  EXPECT_EQ(tool.hosts, (std::vector<std::string>{"h1", "h2"}));

  // Secrets from a file or the environment stay off the command line.
  const std::string file = ::testing::TempDir() + "phrase_" + std::to_string(::getpid());
  std::ofstream(file) << "from file\n";
  ::setenv("TESSELLUX_SECRET_PHRASE", "from env", 1);
  ::setenv("TESSELLUX_SECOND_PHRASE", "old phrase", 1);
  const ToolOptions cascaded = ParseCommandLine({"--security", "cascaded", "--temporary", "--tag", "T", "-o", "a.bmp"});
  const generate::BuildRequest c = MakeBuildRequest(cascaded.symbol);
  EXPECT_EQ(c.data, app::kAuthorization);
  EXPECT_EQ(c.security.phrase, u"from env");
  EXPECT_EQ(c.security.second_phrase, u"old phrase");
  const ToolOptions private_file = ParseCommandLine({"--security", "private", "--secret-phrase-file", file, "--url",
                                                     "http://x", "-o", "a.bmp"});
  EXPECT_EQ(MakeBuildRequest(private_file.symbol).security.phrase, u"from file");
  ::unsetenv("TESSELLUX_SECRET_PHRASE");
  ::unsetenv("TESSELLUX_SECOND_PHRASE");
  std::remove(file.c_str());
}

TEST(Options, BatchLinesApplyOnTopOfTheCommandLine) {
  const ToolOptions tool = ParseCommandLine({"--batch", "b.jsonl", "--grid", "5", "--jobs", "2"});
  std::string error;
  const auto line = ParseFlatObject(R"({"url":"http://x","output":"a.bmp","mirror":true,"thickness":1})", &error);
  const SymbolOptions options = ApplyBatchLine(tool.symbol, *line);
  EXPECT_EQ(options.grid, 5);
  EXPECT_EQ(options.thickness, 1);
  EXPECT_TRUE(options.mirror);
  EXPECT_EQ(options.output, "a.bmp");
  EXPECT_FALSE(options.paper);  // the system's sheet
  const auto fit = ParseFlatObject(R"({"url":"http://x","output":"a.pdf","paper":"fit"})", &error);
  EXPECT_TRUE(ApplyBatchLine(tool.symbol, *fit).paper->fit);
  EXPECT_EQ(ParseCommandLine({"--paper", "Letter", "--url", "http://x", "-o", "a.pdf"}).symbol.paper->sheet.name,
            "Letter");
  for (const char* bad : {R"({"url":"http://x"})", R"({"url":"http://x","o":"a.bmp","colour":"red"})",
                          R"({"url":"http://x","o":"a.bmp","mirror":"yes"})"}) {
    EXPECT_THROW(ApplyBatchLine(tool.symbol, *ParseFlatObject(bad, &error)), UsageError) << bad;
  }
}

}  // namespace
}  // namespace tessellux::cli
