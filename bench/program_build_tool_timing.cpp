// What tessellux-build costs: the loopback round trip, one symbol built
// through the window's link and through a whole tessellux-build process,
// and a batch of URL symbols over one and over two connections to one
// Code Generator, beside the floor of exchanges x round trip per symbol,
// with the CPU time the tool and the service spend a symbol.
//
//   build/bench/program_build_tool_timing [SYMBOLS (default 1000)] [TOOL (default: ours)]
//
// TOOL is the tessellux-build to time (another build of it, to compare).
//
// Runs the reference Code Generator on 127.0.0.1 for the duration.

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include "cli/asio_link.h"
#include "generate/build_driver.h"
#include "app/data_choice.h"
#include "app/atomic_file.h"
#include "ui/code_generator_link.h"
#include "bench/codegen_process.h"
#include "bench/window_link_support.h"

namespace {

using Clock = std::chrono::steady_clock;

using tessellux::bench::SilentBoxes;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// User + system CPU seconds of a running process, from /proc.
double ProcessCpuSeconds(qint64 pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  const auto after_name = text.rfind(')');
  if (after_name == std::string::npos) return 0;
  std::istringstream fields(text.substr(after_name + 2));
  std::string field;
  double user = 0, system = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14) user = std::stod(field);
    if (i == 15) system = std::stod(field);
  }
  return (user + system) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

double LoadAverage() {
  double load = 0;
  std::ifstream("/proc/loadavg") >> load;
  return load;
}

struct ToolRun {
  int exit_code = -1;
  double cpu_seconds = 0;  // user + system
};

// Runs `tool` with `args`, its standard output to /dev/null, and waits.
ToolRun RunTool(const std::string& tool, const std::vector<std::string>& args) {
  std::vector<char*> argv{const_cast<char*>(tool.c_str())};
  for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, tool.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ToolRun run;
  if (spawned != 0) return run;
  int status = 0;
  rusage usage{};
  if (::wait4(pid, &status, 0, &usage) != pid) return run;
  run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec * 1e-6; };
  run.cpu_seconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  return run;
}

// The bare round trip of a layout command over the command-line client.
double RoundTrip(tessellux::cli::AsioLink& client, int count) {
  const tessellux::Bytes layout{0x11, 0, 0, 0, 8, 1, 2};
  for (int i = 0; i < count / 10; ++i) client.Exchange(layout);
  const auto start = Clock::now();
  for (int i = 0; i < count; ++i) client.Exchange(layout);
  return Seconds(Clock::now() - start) / count;
}

tessellux::generate::BuildRequest UrlRequest(int i) {
  tessellux::generate::BuildRequest request;
  request.data = tessellux::app::kWebAddress;
  request.text = tessellux::ToBytes("https://example.com/product/" + std::to_string(i));
  return request;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int symbols = argc > 1 ? std::atoi(argv[1]) : 1000;
  const QString bin = QCoreApplication::applicationDirPath() + "/..";
  const std::string tool = argc > 2 ? argv[2] : (bin + "/cli/tessellux-build").toStdString();
  QProcess codegen;
  const quint16 port = tessellux::bench::StartCodeGenerator(codegen, bin + "/codegen/tessellux-codegen");
  if (port == 0) return 1;

  // The bare round trip over the command-line client.
  std::string error;
  auto client = tessellux::cli::AsioLink::Connect("127.0.0.1", port, std::chrono::milliseconds(3000), &error);
  if (!client) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  const double round_trip = RoundTrip(*client, 2000);
  Clock::time_point start;

  tessellux::generate::BuildDriver cli_driver(*client);
  const auto one = cli_driver.Build(UrlRequest(0));
  if (!one.ok()) return 1;
  const int exchanges = 3 + 1 + one.picture_shape.height + 1;
  std::printf("round trip %.1f us; a URL symbol: %d exchanges (%d rows); floor %.0f symbols/s on one connection\n",
              round_trip * 1e6, exchanges, one.picture_shape.height, 1.0 / (exchanges * round_trip));

  // The window's build: the same driver over the window's link.
  SilentBoxes boxes;
  tessellux::ui::CodeGeneratorLink link(QHostAddress::LocalHost, port, boxes);
  link.Start();
  tessellux::bench::WaitForLink(link);
  tessellux::bench::WindowLinkExchange window_exchange(link);
  tessellux::generate::BuildDriver window_driver(window_exchange);
  QTemporaryDir dir;
  const std::string window_file = dir.filePath("Tessellux.bmp").toStdString();
  constexpr int kSingles = 50;
  // Best of three rounds: the machine is shared.
  double window_build = 1e9, tool_build = 1e9;
  for (int round = 0; round < 3; ++round) {
    start = Clock::now();
    for (int i = 0; i < kSingles; ++i) {
      // As the window does it: build, write Tessellux.bmp, load it.
      const auto result = window_driver.Build(UrlRequest(i));
      (void)tessellux::app::WriteFileAtomically(window_file, *result.picture);
      QImage loaded(QString::fromStdString(window_file));
    }
    window_build = std::min(window_build, Seconds(Clock::now() - start) / kSingles);

    const std::string out = dir.filePath("one.bmp").toStdString();
    start = Clock::now();
    for (int i = 0; i < kSingles; ++i) {
      const std::string url = "https://example.com/product/" + std::to_string(i);
      if (RunTool(tool, {"--host", "127.0.0.1", "--port", std::to_string(port), "--url", url, "-o", out}).exit_code != 0) {
        return 1;
      }
    }
    tool_build = std::min(tool_build, Seconds(Clock::now() - start) / kSingles);
  }
  std::printf("one symbol: window's link %.2f ms, tessellux-build process %.2f ms (%.2f x)\n", window_build * 1e3,
              tool_build * 1e3, tool_build / window_build);

  // The batch, over one and over two connections, in turn. The round trip
  // is measured again before each pair, as the machine's load moves; each
  // run writes new files into a folder of its own.
  constexpr int kRounds = 3;
  const auto service_cpu = [&] { return ProcessCpuSeconds(codegen.processId()); };
  for (int round = 1; round <= kRounds; ++round) {
    const double trip = RoundTrip(*client, 500);
    const double floor = 1.0 / (exchanges * trip);
    double rates[3] = {}, client_ms[3] = {}, service_ms[3] = {};
    for (int jobs : {1, 2}) {
      const QString folder = QString("round%1-jobs%2").arg(round).arg(jobs);
      QDir(dir.path()).mkdir(folder);
      std::string lines;
      for (int i = 0; i < symbols; ++i) {
        lines += "{\"url\":\"https://example.com/product/" + std::to_string(i) + "\",\"output\":\"" +
                 dir.filePath(folder + QString("/s%1.bmp").arg(i)).toStdString() + "\"}\n";
      }
      const std::string batch_file = dir.filePath(folder + ".jsonl").toStdString();
      std::ofstream(batch_file) << lines;
      const double service_before = service_cpu();
      start = Clock::now();
      const auto run = RunTool(tool, {"--host", "127.0.0.1", "--port", std::to_string(port), "--batch", batch_file,
                                      "--jobs", std::to_string(jobs), "--quiet"});
      rates[jobs] = symbols / Seconds(Clock::now() - start);
      client_ms[jobs] = run.cpu_seconds * 1e3 / symbols;
      service_ms[jobs] = (service_cpu() - service_before) * 1e3 / symbols;
      if (run.exit_code != 0) std::fprintf(stderr, "the batch failed: exit code %d\n", run.exit_code);
    }
    std::printf(
        "round %d, load %.2f: round trip %.1f us, floor %.0f symbols/s; --jobs 1 %.0f symbols/s (%.2f of the floor), "
        "--jobs 2 %.0f symbols/s (%.2f x); CPU ms a symbol, tool + service: %.2f + %.2f (--jobs 1), %.2f + %.2f "
        "(--jobs 2)\n",
        round, LoadAverage(), trip * 1e6, floor, rates[1], rates[1] / floor, rates[2], rates[2] / rates[1],
        client_ms[1], service_ms[1], client_ms[2], service_ms[2]);
  }
  codegen.terminate();
  codegen.waitForFinished(2000);
  return 0;
}
