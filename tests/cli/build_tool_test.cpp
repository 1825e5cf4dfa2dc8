// tessellux-build against the reference Code Generator on 127.0.0.1: every
// symbol it writes must read back with tessellux-read as what went in.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>

#include <QImage>

#include "output/print_geometry.h"
#include "output/number_text.h"
#include "pictures/jpeg_recompress.h"
#include "support/child_process.h"
#include "support/pdf_page_place.h"
#include "support/picture_files.h"
#include "support/printed_symbol.h"
#include "support/shell_run.h"

namespace tessellux::cli {
namespace {

namespace fs = std::filesystem;

struct ToolRun {
  int exit_code = -1;
  std::string out;
  std::string err;
};

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class BuildToolTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    service_ = new testing::ChildProcess(TESSELLUX_CODEGEN_PATH,
                                         {"--bind", "127.0.0.1", "--port", "0", "--company", "ACME Ltd"});
    if (const auto line = service_->ReadLine(5000)) port_ = line->substr(line->rfind(':') + 1);
    dir_ = fs::temp_directory_path() / ("tessellux_build_tool_" + std::to_string(::getpid()));
    fs::create_directories(dir_ / "tmp");
    // Work files go here, so that a test sees them gone.
    ::setenv("TMPDIR", (dir_ / "tmp").c_str(), 1);
  }
  static void TearDownTestSuite() {
    delete service_;
    fs::remove_all(dir_);
  }
  void SetUp() override { ASSERT_FALSE(port_.empty()) << "the Code Generator did not start"; }

  // Runs a program with stdout and stderr captured; killed after 60 s. With
  // `interrupt_after_ms`, Ctrl+C reaches it then, as from a terminal.
  static ToolRun Exec(const std::string& program, std::vector<std::string> args, const std::string& stdin_file = "",
                      int interrupt_after_ms = -1) {
    const fs::path out = dir_ / "stdout", err = dir_ / "stderr";
    const pid_t pid = ::fork();
    if (pid == 0) {
      const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      const int i = ::open(stdin_file.empty() ? "/dev/null" : stdin_file.c_str(), O_RDONLY);
      ::dup2(o, STDOUT_FILENO);
      ::dup2(e, STDERR_FILENO);
      ::dup2(i, STDIN_FILENO);
      std::vector<char*> argv{const_cast<char*>(program.c_str())};
      for (auto& arg : args) argv.push_back(arg.data());
      argv.push_back(nullptr);
      ::execv(program.c_str(), argv.data());
      ::_exit(127);
    }
    ToolRun run;
    int status = 0;
    for (int waited = 0; waited < 60000; waited += 5) {
      if (waited == interrupt_after_ms) ::kill(pid, SIGINT);
      if (::waitpid(pid, &status, WNOHANG) == pid) {
        run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (run.exit_code == -1) ::kill(pid, SIGKILL), ::waitpid(pid, &status, 0);
    run.out = Slurp(out);
    run.err = Slurp(err);
    return run;
  }
  static ToolRun Build(std::vector<std::string> args) {
    args.insert(args.begin(), {"--host", "127.0.0.1", "--port", port_});
    return Exec(TESSELLUX_BUILD_PATH, std::move(args));
  }
  static ToolRun Read(const fs::path& symbol, std::vector<std::string> args = {}) {
    args.insert(args.begin(), symbol.string());
    return Exec(TESSELLUX_READ_PATH, std::move(args));
  }
  static std::string Path(const std::string& name) { return (dir_ / name).string(); }
  // A poppler tool's standard output; fails the test when it does not run.
  static std::string RunText(const std::string& tool, std::vector<std::string> args) {
    const std::string program = fs::exists("/usr/bin/" + tool) ? "/usr/bin/" + tool : tool;
    const ToolRun run = Exec(program, std::move(args));
    EXPECT_EQ(run.exit_code, 0) << tool << ": " << run.err;
    return run.out;
  }

  static inline testing::ChildProcess* service_ = nullptr;
  static inline std::string port_;
  static inline fs::path dir_;
};

TEST_F(BuildToolTest, EveryDataKindAndSecurityModeReadsBack) {
  std::ofstream(Path("text.txt"), std::ios::binary) << "Gr\xC3\xBC\xC3\x9F" "e\nzweite Zeile";
  std::string zip(3000, '\0');
  for (std::size_t i = 0; i < zip.size(); ++i) zip[i] = static_cast<char>(i * 7919 % 251);
  std::ofstream(Path("data.zip"), std::ios::binary) << zip;
  const struct {
    std::vector<std::string> build;
    std::vector<std::string> read;
    const char* expected;  // in the reader's output
  } cases[] = {
      {{"--url", "https://example.com/a?b=c"}, {}, "Text: https://example.com/a?b=c"},
      {{"--text-file", Path("text.txt"), "--style", "dots", "--grid", "6", "--thickness", "2"}, {}, "Gr\xC3\xBC\xC3\x9F" "e"},
      {{"--text", "mirrored", "--mirror", "--rows", "2", "--columns", "4", "--error-correction", "5"}, {}, "Text: mirrored"},
      {{"--text", "secret", "--security", "private", "--secret-phrase", "pw"}, {"--secret-phrase", "pw"},
       "Security: company-private"},
      {{"--security", "universal", "--tag", "T1", "--secret-phrase", "pw"}, {}, "Security: universal authorization"},
      {{"--security", "unique", "--temporary", "--tag", "T2", "--secret-phrase", "pw", "--second-phrase",
        "1234-5678-9012"},
       {"--serial", "1234-5678-9012"},
       "Security: unique authorization"},
      {{"--security", "cascaded", "--tag", "T3", "--secret-phrase", "new", "--second-phrase", "old"},
       {"--old-phrase", "old"},
       "Secret phrase: new"},
  };
  int n = 0;
  for (const auto& c : cases) {
    const std::string out = Path("symbol" + std::to_string(n++) + ".bmp");
    std::vector<std::string> args = c.build;
    args.insert(args.end(), {"-o", out});
    const ToolRun built = Build(args);
    ASSERT_EQ(built.exit_code, 0) << c.build[0] << " " << c.build[1] << ": " << built.err;
    EXPECT_NE(built.out.find("Usage statistics (in bytes): total "), std::string::npos) << built.out;
    const ToolRun read = Read(out, c.read);
    EXPECT_EQ(read.exit_code, 0) << read.err;
    EXPECT_NE(read.out.find(c.expected), std::string::npos) << read.out;
  }

  const ToolRun built = Build({"--zip", Path("data.zip"), "-o", Path("zip.bmp"), "--json"});
  ASSERT_EQ(built.exit_code, 0) << built.err;
  EXPECT_EQ(built.out.rfind("{\"ok\":true,\"output\":", 0), 0u) << built.out;
  fs::create_directories(dir_ / "carried");
  ASSERT_EQ(Read(Path("zip.bmp"), {"--out", Path("carried")}).exit_code, 0);
  EXPECT_EQ(Slurp(dir_ / "carried" / "tessellux-file.bin"), zip);
}

TEST_F(BuildToolTest, FailuresExitNonZeroWithClearMessages) {
  const struct {
    std::vector<std::string> args;
    int exit_code;
    std::string says;
  } cases[] = {
      {{"--text", "http://x", "-o", Path("a.bmp")}, 1,
       "Not A Web Address (URL): The data is a text (--text), but the text begins with either http:// or https://. "
       "Please remove the prefix, or give it with --url instead of --text."},
      {{"--style", "emboss", "--url", "http://x", "-o", Path("a.bmp")}, 1, "Missing Emboss Picture"},
      {{"--text", std::string(2000, 'x'), "--rows", "1", "--columns", "1", "-o", Path("a.bmp")}, 1,
       "command 0x51 (build public symbol) failed with status 0x04: data too large"},
      {{"--bogus", "-o", Path("a.bmp")}, 2, "unknown option --bogus"},
      {{"--url", "http://x", "-o", Path("a.pdf"), "--dpi", "72.5"}, 2, "a whole number of dots per inch"},
      // The Security tab's status line, word for word.
      {{"--security", "unique", "--secret-phrase", "pw", "--second-phrase", "12-34", "-o", Path("a.bmp")}, 1,
       "Security Setting Incomplete: Reader Serial Number must be ####-####-####"},
      {{"--url", "http://x", "--security", "private", "-o", Path("a.bmp")}, 1,
       "Security Setting Incomplete: Secret Phrase cannot be blank (give --secret-phrase-file FILE"},
      {{"--security", "cascaded", "--secret-phrase", "new", "-o", Path("a.bmp")}, 1,
       "Security Setting Incomplete: Old Secret Phrase cannot be blank"},
      {{"--jpeg", Path("not.jpg"), "-o", Path("a.bmp")}, 1, "Picture Not Usable: The picture " + Path("not.jpg")},
  };
  std::ofstream(Path("not.jpg")) << "not a JPEG";
  for (const auto& c : cases) {
    const ToolRun run = Build(c.args);
    EXPECT_EQ(run.exit_code, c.exit_code) << c.args[0] << ": " << run.err;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    EXPECT_TRUE(run.out.empty()) << run.out;
  }
  EXPECT_FALSE(fs::exists(Path("a.bmp")));
  EXPECT_TRUE(fs::is_empty(dir_ / "tmp"));

  // A phrase in the arguments is visible to every user (ps): said once,
  // with where to put it instead; one from the environment is not.
  const std::string warning = "warning: a phrase on the command line can be read by other users";
  const ToolRun argued = Build({"--text", "s", "--security", "private", "--secret-phrase", "pw", "-o", Path("p.bmp")});
  EXPECT_EQ(argued.exit_code, 0) << argued.err;
  EXPECT_NE(argued.err.find(warning), std::string::npos) << argued.err;
  EXPECT_NE(argued.err.find("--secret-phrase-file"), std::string::npos) << argued.err;
  ::setenv("TESSELLUX_SECRET_PHRASE", "pw", 1);
  const ToolRun quiet = Build({"--text", "s", "--security", "private", "-o", Path("p.bmp")});
  ::unsetenv("TESSELLUX_SECRET_PHRASE");
  EXPECT_EQ(quiet.exit_code, 0) << quiet.err;
  EXPECT_EQ(quiet.err.find(warning), std::string::npos) << quiet.err;

  // A Code Generator that is not running: the port of one that was stopped.
  std::string stopped_port;
  {
    testing::ChildProcess stopped(TESSELLUX_CODEGEN_PATH, {"--bind", "127.0.0.1", "--port", "0", "--company", "X"});
    const auto line = stopped.ReadLine(5000);
    ASSERT_TRUE(line);
    stopped_port = line->substr(line->rfind(':') + 1);
  }
  const ToolRun refused = Exec(TESSELLUX_BUILD_PATH, {"--host", "127.0.0.1", "--port", stopped_port, "--url", "http://x",
                                                  "-o", Path("a.bmp")});
  EXPECT_EQ(refused.exit_code, 3);
  EXPECT_NE(refused.err.find("cannot connect to the Code Generator at 127.0.0.1:" + stopped_port), std::string::npos)
      << refused.err;
  EXPECT_NE(refused.err.find("is a Code Generator, tessellux-codegen, running at 127.0.0.1 port " + stopped_port +
                             "? check --host and --port"),
            std::string::npos)
      << refused.err;
  // With --json every outcome is one object on stdout, a refused connection and a usage error included.
  const ToolRun refused_json = Exec(TESSELLUX_BUILD_PATH, {"--host=127.0.0.1", "--port=" + stopped_port,
                                                           "--url=http://x", "-o", Path("a.bmp"), "--json"});
  EXPECT_EQ(refused_json.exit_code, 3);
  EXPECT_EQ(refused_json.out.rfind("{\"ok\":false,\"exit_code\":3,\"error\":\"cannot connect", 0), 0u) << refused_json.out;
  const ToolRun usage_json = Exec(TESSELLUX_BUILD_PATH, {"--json", "--grid"});
  EXPECT_EQ(usage_json.exit_code, 2);
  EXPECT_EQ(usage_json.out, "{\"ok\":false,\"exit_code\":2,\"error\":\"option --grid needs a value\"}\n");

  const ToolRun help = Exec(TESSELLUX_BUILD_PATH, {"--help"});
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_NE(help.out.find("Exit codes:"), std::string::npos);
  EXPECT_EQ(Exec(TESSELLUX_BUILD_PATH, {"--version"}).out, "tessellux-build 2.0\n");
}

TEST_F(BuildToolTest, DiscoveryFindsTheCodeGeneratorAndPngHoldsTheSamePixels) {
  const ToolRun run = Exec(TESSELLUX_BUILD_PATH, {"--discovery-address", "127.0.0.1", "--port", port_, "--url",
                                                  "http://found", "--mirror", "-o", Path("found.png")});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  ASSERT_EQ(Build({"--url", "http://found", "--mirror", "-o", Path("found.bmp")}).exit_code, 0);
  const QImage png(QString::fromStdString(Path("found.png")), "PNG");
  const QImage bmp(QString::fromStdString(Path("found.bmp")), "BMP");
  ASSERT_FALSE(png.isNull());
  EXPECT_EQ(png.size(), bmp.size());
  EXPECT_EQ(png.convertToFormat(QImage::Format_RGB32), bmp.convertToFormat(QImage::Format_RGB32));
  // Both declare the default 600 dpi, so that a viewer prints them at size.
  EXPECT_EQ(png.dotsPerMeterX(), 23622);
  EXPECT_EQ(png.dotsPerMeterY(), 23622);
  EXPECT_EQ(bmp.dotsPerMeterX(), 23622);
  EXPECT_EQ(bmp.dotsPerMeterY(), 23622);
}

TEST_F(BuildToolTest, PicturesDeclareTheResolutionAskedFor) {
  for (const char* name : {"at300.png", "at300.bmp"}) {
    ASSERT_EQ(Build({"--url", "http://dpi", "--dpi", "300", "-o", Path(name)}).exit_code, 0) << name;
    const QImage picture(QString::fromStdString(Path(name)));
    ASSERT_FALSE(picture.isNull()) << name;
    EXPECT_EQ(picture.dotsPerMeterX(), 11811) << name;
    EXPECT_EQ(picture.dotsPerMeterY(), 11811) << name;
  }
}

TEST_F(BuildToolTest, BatchReportsABadLineAndBuildsTheRest) {
  std::ofstream(Path("batch.jsonl")) << "{\"url\":\"http://one\",\"output\":\"" << Path("one.bmp") << "\"}\n"
                                     << "{\"url\":\"no prefix\",\"output\":\"" << Path("two.bmp") << "\"}\n"
                                     << "\n"
                                     << "not json\n"
                                     << "{\"text\":\"three\",\"mirror\":true,\"o\":\"" << Path("three.bmp") << "\"}\n";
  const ToolRun run = Build({"--batch", Path("batch.jsonl"), "--jobs", "2", "--host", "127.0.0.1"});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_NE(run.err.find("line 2: Not Text"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("line 4: not a JSON object"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("2 of 4 symbols built"), std::string::npos) << run.err;
  EXPECT_NE(Read(Path("one.bmp")).out.find("Text: http://one"), std::string::npos);
  EXPECT_NE(Read(Path("three.bmp")).out.find("Text: three"), std::string::npos);
  EXPECT_FALSE(fs::exists(Path("two.bmp")));

  const ToolRun json = Build({"--batch", Path("batch.jsonl"), "--json"});
  EXPECT_EQ(json.exit_code, 1);
  int objects = 0;
  for (std::size_t at = 0; (at = json.out.find("{\"line\":", at)) != std::string::npos; ++at) ++objects;
  EXPECT_EQ(objects, 4) << json.out;
}

// Symbol files are written while the next symbols build: a write that
// fails is still reported against its own line, and reports keep the order
// of the lines.
TEST_F(BuildToolTest, BatchWriteFailuresStayWithTheirLinesInOrder) {
  // A folder by the output's name, not empty: rename cannot replace it.
  fs::create_directories(Path("w2.png") + "/inside");
  std::ofstream(Path("writes.jsonl")) << "{\"url\":\"http://w/1\",\"o\":\"" << Path("w1.png") << "\"}\n"
                                      << "{\"url\":\"http://w/2\",\"o\":\"" << Path("w2.png") << "\"}\n"
                                      << "{\"url\":\"http://w/3\",\"o\":\"" << Path("w3.bmp") << "\"}\n"
                                      << "{\"url\":\"http://w/4\",\"o\":\"" << Path("w4.png") << "\"}\n";
  for (const char* jobs : {"1", "2"}) {
    SCOPED_TRACE(jobs);
    const ToolRun run = Build({"--batch", Path("writes.jsonl"), "--jobs", jobs});
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_NE(run.err.find("line 2: cannot write " + Path("w2.png")), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("3 of 4 symbols built"), std::string::npos) << run.err;
    if (std::string(jobs) == "1") {
      const auto one = run.out.find("line 1: "), three = run.out.find("line 3: "), four = run.out.find("line 4: ");
      ASSERT_NE(four, std::string::npos) << run.out;
      EXPECT_LT(one, three);
      EXPECT_LT(three, four);
    }
    for (const char* built : {"w1.png", "w3.bmp", "w4.png"}) {
      EXPECT_NE(Read(Path(built)).out.find("Text: http://w/"), std::string::npos) << built;
    }
  }
}

// Ctrl+C during a batch: the symbols built are written whole and reported
// in line order, the rest are not started, and nothing else is left in the
// folder (no work file, no piece of a symbol).
TEST_F(BuildToolTest, InterruptedBatchLeavesWholeSymbolsOnly) {
  const fs::path folder = dir_ / "interrupted";
  fs::create_directories(folder);
  constexpr int kLines = 300;
  {
    std::ofstream batch(Path("interrupted.jsonl"));
    for (int i = 1; i <= kLines; ++i) {
      batch << "{\"url\":\"http://i/" << i << "\",\"o\":\"" << (folder / (std::to_string(i) + ".png")).string()
            << "\"}\n";
    }
  }
  const ToolRun run = Exec(TESSELLUX_BUILD_PATH,
                           {"--host", "127.0.0.1", "--port", port_, "--batch", Path("interrupted.jsonl")}, "", 200);
  int files = 0;
  for (const auto& entry : fs::directory_iterator(folder)) {
    ++files;
    const std::string name = entry.path().filename().string();
    ASSERT_EQ(entry.path().extension(), ".png") << name;
    const QImage picture(QString::fromStdString(entry.path().string()));
    EXPECT_FALSE(picture.isNull()) << name << " is not a whole picture";
  }
  EXPECT_EQ(run.exit_code, files < kLines ? 130 : 0) << run.err;
  int reported = 0, last = 0;
  for (std::size_t at = 0; (at = run.out.find("line ", at)) != std::string::npos; at += 5) {
    const int line = std::stoi(run.out.substr(at + 5));
    EXPECT_GT(line, last) << "reports in line order";
    last = line;
    ++reported;
  }
  EXPECT_EQ(reported, files) << "every symbol written is reported, and only those";
}

// More connections than the Code Generator takes from one address: the
// refused ones leave their lines to the others and every line builds.
TEST_F(BuildToolTest, BatchWithMoreJobsThanTheCodeGeneratorAdmitsBuildsEveryLine) {
  {
    std::ofstream batch(Path("many.jsonl"));
    for (int i = 0; i < 24; ++i) {
      batch << "{\"url\":\"http://x/" << i << "\",\"o\":\"" << Path(std::to_string(i) + "-many.bmp") << "\"}\n";
    }
  }
  const ToolRun run = Build({"--batch", Path("many.jsonl"), "--jobs", "12"});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_NE(run.err.find("24 of 24 symbols built; the Code Generator closed 4 of the 12 connections on arrival"),
            std::string::npos)
      << run.err;
}

// A line no symbol could hold is refused by its number without being held;
// report lines never carry a path's line breaks or terminal controls.
TEST_F(BuildToolTest, BatchRefusesAnOverlongLineAndEscapesItsReports) {
  const std::string forged = Path("two\nline 9: forged\x1b[2J\a.bmp");
  {
    std::ofstream batch(Path("long.jsonl"));
    batch << "{\"url\":\"http://one\",\"output\":\"" << Path("one.bmp") << "\"}\n";
    batch << "{\"text\":\"" << std::string(60 << 20, 'x') << "\",\"output\":\"" << Path("big.bmp") << "\"}\n";
    batch << "{\"text\":\"two\",\"output\":\"" << Path("two\\nline 9: forged\\u001b[2J\\u0007.bmp") << "\"}\n";
  }
  // What the tool takes for a batch of ordinary lines (more under the
  // sanitizers): the long line may add little to it, never its 60 MiB.
  std::ofstream(Path("short.jsonl")) << "{\"url\":\"http://one\",\"output\":\"" << Path("one.bmp") << "\"}\n";
  ASSERT_EQ(Build({"--batch", Path("short.jsonl")}).exit_code, 0);
  struct rusage children {};
  ::getrusage(RUSAGE_CHILDREN, &children);
  const long ordinary_kb = children.ru_maxrss;
  const ToolRun run = Build({"--batch", Path("long.jsonl")});
  EXPECT_EQ(run.exit_code, 1) << run.err;
  EXPECT_NE(run.err.find("line 2: the line is longer than"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("2 of 3 symbols built"), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(Path("big.bmp")));
  EXPECT_TRUE(fs::exists(forged));
  EXPECT_NE(run.out.find("line 3: " + Path("two\\nline 9: forged\\x1B[2J\\x07.bmp") + ": "), std::string::npos)
      << run.out;
  EXPECT_EQ(run.out.find('\x1b'), std::string::npos);
  EXPECT_EQ(run.out.find("\nline 9"), std::string::npos);
  ::getrusage(RUSAGE_CHILDREN, &children);
  EXPECT_LT(children.ru_maxrss, ordinary_kb + 24 * 1024) << "kilobytes at the most for any tool run so far";
}

// Ctrl+C during the fetch of a large symbol: the build stops after the
// exchange under way, nothing is written, no work file is left, exit 130.
TEST_F(BuildToolTest, InterruptStopsTheBuildAndLeavesNoFile) {
  std::ofstream(Path("large.txt")) << std::string(500'000, 'q');
  const ToolRun run = Exec(TESSELLUX_BUILD_PATH,
                           {"--host", "127.0.0.1", "--port", port_, "--text-file", Path("large.txt"), "--grid", "11",
                            "-o", Path("large.png")},
                           "", 300);
  EXPECT_EQ(run.exit_code, 130) << run.err;
  EXPECT_NE(run.err.find("stopped"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("nothing was written"), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(Path("large.png")));
  for (const auto& entry : fs::directory_iterator(dir_)) {
    EXPECT_EQ(entry.path().string().find("large.png."), std::string::npos) << entry.path();
  }
  EXPECT_TRUE(fs::is_empty(dir_ / "tmp"));
}

// Symbols through pipes: the picture on stdout into the reader's stdin,
// data and phrases from stdin or any readable path, nothing said with --quiet.
TEST_F(BuildToolTest, PipesCarryPicturesTextsAndPhrases) {
  const std::string build = std::string("'") + TESSELLUX_BUILD_PATH + "'";
  const std::string read = std::string("'") + TESSELLUX_READ_PATH + "'";
  const auto piped = tessellux::testing::RunShell(build + " --host=127.0.0.1 --port=" + port_ +
                                                  " --url=https://example.org/piped -o - | " + read + " -");
  EXPECT_EQ(piped.code, 0) << piped.output;
  EXPECT_NE(piped.output.find("Text: https://example.org/piped\n"), std::string::npos) << piped.output;

  std::ofstream(Path("stdin.txt")) << "text from stdin";
  const ToolRun png = Exec(TESSELLUX_BUILD_PATH, {"--host", "127.0.0.1", "--port", port_, "--text-file", "-", "-o", "-",
                                                  "--format", "png", "-q"},
                           Path("stdin.txt"));
  EXPECT_EQ(png.exit_code, 0) << png.err;
  EXPECT_EQ(png.out.rfind("\x89PNG\r\n", 0), 0u) << "a PNG on stdout";
  EXPECT_TRUE(png.err.empty()) << png.err;
  const ToolRun bmp = Exec(TESSELLUX_BUILD_PATH, {"--host", "127.0.0.1", "--port", port_, "--text-file", "/dev/stdin",
                                                  "-o", "-"},
                           Path("stdin.txt"));
  EXPECT_EQ(bmp.out.rfind("BM", 0), 0u) << "BMP is the default for -";
  EXPECT_NE(bmp.err.find("-: "), std::string::npos) << "the report goes to stderr: " << bmp.err;

  // A phrase through a pipe, never on the command line; the reader takes it the same ways.
  const auto secured = tessellux::testing::RunShell(
      "printf 'pipe phrase\\n' | " + build + " --host 127.0.0.1 --port " + port_ +
      " --security private --secret-phrase-file /dev/stdin --text staff -o '" + Path("piped.bmp") + "' --quiet");
  EXPECT_EQ(secured.code, 0) << secured.output;
  EXPECT_TRUE(secured.output.empty()) << secured.output;
  std::ofstream(Path("phrase.txt")) << "pipe phrase\n";
  const ToolRun from_file = Exec(TESSELLUX_READ_PATH, {"--company=ACME Ltd", "--secret-phrase-file", "-",
                                                       Path("piped.bmp")},
                                 Path("phrase.txt"));
  EXPECT_EQ(from_file.exit_code, 0) << from_file.err;
  EXPECT_NE(from_file.out.find("Text: staff"), std::string::npos) << from_file.out;
  ::setenv("TESSELLUX_SECRET_PHRASE", "pipe phrase", 1);
  const ToolRun from_env = Read(Path("piped.bmp"), {"-q"});
  ::unsetenv("TESSELLUX_SECRET_PHRASE");
  EXPECT_EQ(from_env.exit_code, 0) << from_env.err;
  EXPECT_TRUE(from_env.out.empty()) << from_env.out;
  const ToolRun keyless = Read(Path("piped.bmp"));
  EXPECT_EQ(keyless.exit_code, 3);
  EXPECT_NE(keyless.err.find("--secret-phrase-file FILE, TESSELLUX_SECRET_PHRASE"), std::string::npos) << keyless.err;
}

// The command line's own words: options named, next steps given; a bad input
// file is a usage error; a batch's BOM is skipped and two lines never share a file.
TEST_F(BuildToolTest, MessagesNameTheOptionAndBatchesGuardTheirOutputs) {
  const ToolRun zip = Build({"--zip", Path("no-such.zip"), "-o", Path("z.bmp")});
  EXPECT_EQ(zip.exit_code, 2);
  EXPECT_NE(zip.err.find("--zip " + Path("no-such.zip") + ": No such file"), std::string::npos) << zip.err;
  const ToolRun huge = Build({"--url", "http://x", "--grid", "128", "--rows", "254", "--cols", "254", "-o",
                              Path("huge.bmp")});
  EXPECT_EQ(huge.exit_code, 1);
  EXPECT_NE(huge.err.find("bitmap limit; give a smaller --grid"), std::string::npos) << huge.err;
  const ToolRun empty = Build({"--text", "", "-o", Path("e.bmp")});
  EXPECT_NE(empty.err.find("Give the text with --text TEXT or --text-file FILE"), std::string::npos) << empty.err;
  EXPECT_EQ(empty.err.find("Style tab"), std::string::npos) << empty.err;
  const ToolRun usage = Exec(TESSELLUX_BUILD_PATH, {"--url"});
  EXPECT_EQ(usage.exit_code, 2);
  EXPECT_NE(usage.err.find("option --url needs a value\nTry 'tessellux-build --help'"), std::string::npos) << usage.err;

  std::ofstream(Path("bom.jsonl")) << "\xEF\xBB\xBF{\"url\":\"http://one\",\"out\":\"" << Path("b1.bmp") << "\"}\n"
                                   << "{\"text\":\"two\",\"output\":\"" << Path("b1.bmp") << "\"}\n"
                                   << "{\"text\":\"three\",\"cols\":2,\"rows\":2,\"o\":\"" << Path("b3.bmp") << "\"}\n";
  const ToolRun batch = Build({"--batch", Path("bom.jsonl")});
  EXPECT_EQ(batch.exit_code, 1);
  EXPECT_NE(batch.err.find("line 2: output " + Path("b1.bmp") + " is written by line 1 already"), std::string::npos)
      << batch.err;
  EXPECT_NE(batch.err.find("2 of 3 symbols built"), std::string::npos) << batch.err;
  EXPECT_NE(Read(Path("b1.bmp")).out.find("Text: http://one"), std::string::npos);
  const ToolRun quiet = Build({"--batch", Path("bom.jsonl"), "-q"});
  EXPECT_TRUE(quiet.out.empty()) << quiet.out;
  EXPECT_EQ(quiet.err.find("line 1:"), std::string::npos) << "built lines are not reported: " << quiet.err;
  EXPECT_NE(quiet.err.find("line 2: output"), std::string::npos) << "failures are: " << quiet.err;
}

// Every program answers --help and --version on a terminal without a
// display, naming itself; the window refuses what it does not take rather
// than opening.
TEST_F(BuildToolTest, EveryProgramAnswersHelpAndVersion) {
  for (const auto& [program, name] : {std::pair<std::string, std::string>{TESSELLUX_BUILD_PATH, "tessellux-build"},
                                      {TESSELLUX_READ_PATH, "tessellux-read"},
                                      {TESSELLUX_CODEGEN_PATH, "tessellux-codegen"},
                                      {TESSELLUX_WINDOW_PATH, "create-tessellux"}}) {
    const ToolRun help = Exec(program, {"--help"});
    EXPECT_EQ(help.exit_code, 0) << name;
    EXPECT_NE(help.out.find("Usage: " + name), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("Exit codes"), std::string::npos) << help.out;
    const ToolRun version = Exec(program, {"--version"});
    EXPECT_EQ(version.exit_code, 0) << name;
    EXPECT_EQ(version.out.rfind(name + " 2.0", 0), 0u) << version.out;
    if (name == "create-tessellux") continue;
    // The same conventions in every tool: -V, -h, examples, and exit code 2 for a usage error.
    EXPECT_EQ(Exec(program, {"-V"}).out, version.out) << name;
    EXPECT_NE(Exec(program, {"-h"}).out.find("Examples:"), std::string::npos) << name;
    EXPECT_EQ(Exec(program, {"--bogus=1"}).exit_code, 2) << name;
  }
  const ToolRun help_all = Exec(TESSELLUX_WINDOW_PATH, {"--help-all"});
  EXPECT_EQ(help_all.exit_code, 2);
  EXPECT_NE(help_all.err.find("Unknown option 'help-all'"), std::string::npos) << help_all.err;
}

// A failed check stops the build before anything is sent: a listener that
// never answers would otherwise keep the tool waiting for a reply.
TEST_F(BuildToolTest, NothingIsSentWhenACheckFails) {
  const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(listener, 4), 0);
  socklen_t length = sizeof address;
  ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  const std::string port = std::to_string(ntohs(address.sin_port));
  const ToolRun run = Exec(TESSELLUX_BUILD_PATH, {"--host", "127.0.0.1", "--port", port, "--security", "unique",
                                                  "--secret-phrase", "pw", "--second-phrase", "1234-5678", "-o",
                                                  Path("silent.bmp")});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_NE(run.err.find("Reader Serial Number must be ####-####-####"), std::string::npos) << run.err;
  const int peer = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK);
  if (peer >= 0) {
    char byte = 0;
    EXPECT_EQ(::recv(peer, &byte, 1, 0), 0) << "a command reached the Code Generator";
    ::close(peer);
  }
  ::close(listener);
}

// The picture reaches the symbol as the window's recompression makes it, the
// text beside it when one is given; each build's work file is gone after.
TEST_F(BuildToolTest, JpegIsRecompressedAsTheWindowDoes) {
  const std::string source = Path("photo.jpg");
  testing::MakeJpeg(QString::fromStdString(source), 120, 90, 95);
  const auto recompressed = [&](int quality) {
    const std::string reference = Path("reference" + std::to_string(quality) + ".jpg");
    EXPECT_TRUE(pictures::RecompressJpeg(source, quality, reference).ok);
    return Slurp(reference);
  };
  const struct {
    std::vector<std::string> build;
    int quality;
    const char* text;  // in the reader's output, or nothing
  } cases[] = {
      {{"--jpeg", source, "--quality", "35", "--text", "caption"}, 35, "Text: caption"},
      {{"--jpeg", source}, pictures::kDefaultQuality, nullptr},
  };
  int n = 0;
  for (const auto& c : cases) {
    const std::string out = Path("picture" + std::to_string(n) + ".bmp");
    std::vector<std::string> args = c.build;
    args.insert(args.end(), {"-o", out});
    const ToolRun built = Build(args);
    ASSERT_EQ(built.exit_code, 0) << built.err;
    const fs::path carried = dir_ / ("carried" + std::to_string(n++));
    fs::create_directories(carried);
    const ToolRun read = Read(out, {"--out", carried.string()});
    ASSERT_EQ(read.exit_code, 0) << read.err;
    if (c.text) {
      EXPECT_NE(read.out.find(c.text), std::string::npos) << read.out;
    }
    EXPECT_EQ(Slurp(carried / "tessellux-file.jpg"), recompressed(c.quality));
  }
  EXPECT_TRUE(fs::is_empty(dir_ / "tmp"));

  // Batch lines in parallel, each with its own work file.
  std::ofstream(Path("pictures.jsonl")) << "{\"jpeg\":\"" << source << "\",\"quality\":50,\"o\":\"" << Path("b1.bmp") << "\"}\n"
                                        << "{\"jpeg\":\"" << source << "\",\"quality\":60,\"o\":\"" << Path("b2.bmp") << "\"}\n"
                                        << "{\"jpeg\":\"" << Path("not.jpg") << "\",\"o\":\"" << Path("b3.bmp") << "\"}\n";
  std::ofstream(Path("not.jpg")) << "not a JPEG";
  const ToolRun batch = Build({"--batch", Path("pictures.jsonl"), "--jobs", "2"});
  EXPECT_EQ(batch.exit_code, 1);
  EXPECT_NE(batch.err.find("line 3: Picture Not Usable"), std::string::npos) << batch.err;
  for (const auto& [name, quality] : {std::pair{"b1", 50}, std::pair{"b2", 60}}) {
    const fs::path carried = dir_ / (std::string("carried_") + name);
    fs::create_directories(carried);
    ASSERT_EQ(Read(Path(std::string(name) + ".bmp"), {"--out", carried.string()}).exit_code, 0) << name;
    EXPECT_EQ(Slurp(carried / "tessellux-file.jpg"), recompressed(quality)) << name;
  }
  EXPECT_TRUE(fs::is_empty(dir_ / "tmp"));
}

// The printed page: the symbol one pixel per dot where the window's "Print"
// puts it, and the annotation lines below it.
TEST_F(BuildToolTest, PdfIsThePrintedPageAtTheGivenResolution) {
  const int dpi = 300;
  const std::vector<std::string> symbol = {"--url", "https://example.com/page", "--style", "dots", "--grid", "6",
                                           "--thickness", "3", "--dpi", std::to_string(dpi), "--paper", "a4"};
  auto args = symbol;
  args.insert(args.end(), {"-o", Path("page.pdf")});
  const ToolRun built = Build(args);
  ASSERT_EQ(built.exit_code, 0) << built.err;
  EXPECT_TRUE(built.err.empty()) << built.err;
  args = symbol;
  args.insert(args.end(), {"-o", Path("page.bmp")});
  ASSERT_EQ(Build(args).exit_code, 0);
  const QImage picture(QString::fromStdString(Path("page.bmp")), "BMP");
  ASSERT_FALSE(picture.isNull());

  const std::string text = RunText("pdftotext", {"-layout", Path("page.pdf"), "-"});
  std::size_t at = 0;
  for (const std::string& line : {"Width: " + output::SymbolSizeText(picture.width(), dpi, "."),
                                 "Height: " + output::SymbolSizeText(picture.height(), dpi, "."),
                                 std::string("Grid size: 6"), std::string("Dot size: 3")}) {
    const std::size_t next = text.find(line, at);
    ASSERT_NE(next, std::string::npos) << line << " in\n" << text;
    at = next;
  }

  EXPECT_NE(built.out.find("Page: A4\n"), std::string::npos) << built.out;

  const int margin = 10;
  const QPoint origin = testing::SymbolOriginOnA4(dpi, picture.width(), picture.height()) - QPoint(margin, margin);
  // pdftocairo, not pdftoppm: the latter widens every image by one dot.
  RunText("pdftocairo", {"-png", "-gray", "-r", std::to_string(dpi), "-singlefile", "-x", std::to_string(origin.x()),
                         "-y", std::to_string(origin.y()), "-W", std::to_string(picture.width() + 2 * margin), "-H",
                         std::to_string(picture.height() + 2 * margin), Path("page.pdf"), Path("rendered")});
  const QImage page(QString::fromStdString(Path("rendered.png")));
  ASSERT_EQ(page.size(), picture.size() + QSize(2 * margin, 2 * margin));
  EXPECT_EQ(testing::DotsUnlikeSymbol(page, picture, margin), 0);
}

// A symbol wider than the paper: the page grows to hold it whole (at 16 dpi
// the smallest symbol is some 9 inches wide), and the report says so.
TEST_F(BuildToolTest, PdfPageHoldsASymbolWiderThanThePaper) {
  const int dpi = 16;
  ASSERT_EQ(Build({"--url", "http://wide", "--dpi", std::to_string(dpi), "-o", Path("wide.bmp")}).exit_code, 0);
  const QImage picture(QString::fromStdString(Path("wide.bmp")), "BMP");
  ASSERT_FALSE(picture.isNull());
  ASSERT_GT(picture.width() / double(dpi), 8.6);
  for (const char* paper : {"a4", "letter", "fit"}) {
    const std::string pdf = Path(std::string("wide-") + paper + ".pdf");
    const ToolRun run = Build({"--url", "http://wide", "--dpi", std::to_string(dpi), "--paper", paper, "-o", pdf});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    // Made to measure, or a sheet made larger: either way a size, not a sheet's name.
    EXPECT_NE(run.out.find(std::string(paper) == "fit" ? "  Page: 9" : "(larger than the paper, to hold the symbol whole)"),
              std::string::npos) << run.out;
    // The whole page, rendered: every dot of the symbol is on it, none cut off.
    RunText("pdftocairo", {"-png", "-gray", "-r", std::to_string(dpi), "-singlefile", pdf, Path("wide-page")});
    const QImage page(QString::fromStdString(Path("wide-page.png")));
    ASSERT_FALSE(page.isNull());
    ASSERT_GE(page.width(), picture.width()) << paper;
    bool found = false;
    // The symbol a quarter inch (4 dots) below the margin, centred.
    for (int y = 0; y < 16 && !found; ++y) {
      for (int x = 0; x + picture.width() <= page.width() && !found; ++x) {
        found = testing::DotsUnlikeSymbol(page.copy(x - 1, y - 1, picture.width() + 2, picture.height() + 2), picture, 1) == 0;
      }
    }
    EXPECT_TRUE(found) << paper << ": the symbol is not whole on the page";
  }
}

}  // namespace
}  // namespace tessellux::cli
