// What tessellux-build costs: the loopback round trip, one symbol built
// through the window's link and through a whole tessellux-build process,
// and a batch of URL symbols over one and over two connections to one
// Code Generator, beside the floor of rows x round trip per symbol.
//
//   build/bench/program_build_tool_timing [SYMBOLS (default 1000)]
//
// Runs the reference Code Generator on 127.0.0.1 for the duration.

#include <QApplication>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "cli/asio_link.h"
#include "cli/batch.h"
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
  const tessellux::Bytes layout{0x11, 0, 0, 0, 8, 1, 2};
  for (int i = 0; i < 200; ++i) client->Exchange(layout);
  auto start = Clock::now();
  constexpr int kRoundTrips = 2000;
  for (int i = 0; i < kRoundTrips; ++i) client->Exchange(layout);
  const double round_trip = Seconds(Clock::now() - start) / kRoundTrips;

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

    const std::string tool = (bin + "/cli/tessellux-build").toStdString();
    const std::string port_text = std::to_string(port), out = dir.filePath("one.bmp").toStdString();
    start = Clock::now();
    for (int i = 0; i < kSingles; ++i) {
      const std::string url = "https://example.com/product/" + std::to_string(i);
      if (tessellux::bench::RunTimed({tool, "--host", "127.0.0.1", "--port", port_text, "--url", url, "-o", out},
                                     std::chrono::seconds(30)) != 0)
        return 1;
    }
    tool_build = std::min(tool_build, Seconds(Clock::now() - start) / kSingles);
  }
  std::printf("one symbol: window's link %.2f ms, tessellux-build process %.2f ms (%.2f x)\n", window_build * 1e3,
              tool_build * 1e3, tool_build / window_build);

  // The batch, over one and over two connections.
  std::string lines;
  for (int i = 0; i < symbols; ++i) {
    lines += "{\"url\":\"https://example.com/product/" + std::to_string(i) + "\",\"output\":\"" +
             dir.filePath(QString("s%1.bmp").arg(i)).toStdString() + "\"}\n";
  }
  double rates[3] = {};
  for (int jobs : {1, 2, 1, 2}) {
    tessellux::cli::ToolOptions options;
    options.port = port;
    options.jobs = jobs;
    std::istringstream in(lines);
    std::ostringstream out, err;
    start = Clock::now();
    const int code = tessellux::cli::RunBatch(options, {"127.0.0.1"}, in, out, err);
    rates[jobs] = std::max(rates[jobs], symbols / Seconds(Clock::now() - start));  // best of two
    if (code != 0) std::fprintf(stderr, "%s", err.str().c_str());
  }
  std::printf("batch of %d URL symbols (best of two): --jobs 1 %.0f symbols/s, --jobs 2 %.0f symbols/s (%.2f x)\n", symbols,
              rates[1], rates[2], rates[2] / rates[1]);
  codegen.terminate();
  codegen.waitForFinished(2000);
  return 0;
}
