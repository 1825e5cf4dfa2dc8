// What the program's link costs on top of the loopback round trip: small
// exchanges, a 1 MB upload in 1000-byte pieces, and a symbol picture fetch,
// each timed through the window's own exchange and compared with a bare
// blocking socket client doing the same exchanges.
//
//   build/bench/program_link_timing [path/to/tessellux-codegen]
//
// Runs the reference Code Generator on 127.0.0.1 for the duration.

#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <fstream>

#include "bench/bare_client.h"
#include "bench/codegen_process.h"
#include "bench/window_link_support.h"
#include "link/file_upload.h"
#include "output/picture_assembly.h"
#include "protocol/framing.h"
#include "ui/code_generator_link.h"

namespace {

using tessellux::Bytes;
using Clock = std::chrono::steady_clock;

using tessellux::bench::BareClient;
using tessellux::bench::SilentBoxes;

double Micros(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

const Bytes kLayout = {0x11, 0, 0, 0, 8, 1, 2};

template <typename Exchange>
double SmallExchanges(Exchange exchange, int count) {
  const auto start = Clock::now();
  for (int i = 0; i < count; ++i) exchange(kLayout);
  return Micros(Clock::now() - start) / count;
}

template <typename Exchange>
double Upload(Exchange exchange, const std::string& path) {
  exchange(kLayout);
  exchange({0x21});
  tessellux::link::FileUpload upload(path);
  const auto start = Clock::now();
  while (auto message = upload.NextMessage()) {
    if (!exchange(*message)) return -1;
  }
  return Micros(Clock::now() - start) / 1000.0;
}

// Builds a symbol of about `text_bytes` bytes and fetches it; returns ms and the row count.
template <typename Exchange, typename Reply>
std::pair<double, int> Fetch(Exchange exchange, Reply last_reply, std::size_t text_bytes) {
  exchange(kLayout);
  Bytes text(text_bytes + 1, 'x');
  text[0] = 0x21;
  exchange(text);
  exchange({0x51});
  const auto start = Clock::now();
  tessellux::output::PictureAssembly picture;
  exchange({0x61});
  (void)picture.SetHeader(last_reply());
  int rows = 0;
  while (exchange({0x62})) {
    (void)picture.AddPiece(last_reply());
    ++rows;
  }
  const Bytes joined = std::move(picture).Join(false);
  return {Micros(Clock::now() - start) / 1000.0, rows};
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QString codegen_path = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                        : QCoreApplication::applicationDirPath() + "/../codegen/tessellux-codegen";
  QProcess codegen;
  const quint16 port = tessellux::bench::StartCodeGenerator(codegen, codegen_path);
  if (port == 0) {
    std::fprintf(stderr, "cannot start %s\n", qPrintable(codegen_path));
    return 1;
  }

  QTemporaryDir dir;
  const std::string zip = (dir.path() + "/one-megabyte.zip").toStdString();
  {
    std::ofstream out(zip, std::ios::binary);
    for (unsigned i = 0; i < 1000u * 1000u; ++i) out.put(static_cast<char>(i * 7919u % 251u));
  }

  SilentBoxes boxes;
  tessellux::ui::CodeGeneratorLink link(QHostAddress::LocalHost, port, boxes);
  link.Start();
  tessellux::bench::WaitForLink(link);
  BareClient bare(port);
  if (!link.LinkUp() || !bare.Ok()) {
    std::fprintf(stderr, "no link to the Code Generator\n");
    return 1;
  }
  tessellux::bench::WindowLinkExchange window_exchange(link);
  Bytes program_reply;
  auto program = [&](const Bytes& m) {
    program_reply = window_exchange.Exchange(m).reply;
    return program_reply.size() >= 2 && program_reply[1] == 0;
  };
  Bytes bare_reply;
  auto raw = [&](const Bytes& m) {
    bare_reply = bare.Exchange(m);
    return bare_reply.size() >= 2 && bare_reply[1] == 0;
  };

  constexpr int kExchanges = 2000;
  SmallExchanges(program, 200);  // warm up both paths
  SmallExchanges(raw, 200);
  const double program_us = SmallExchanges(program, kExchanges);
  const double raw_us = SmallExchanges(raw, kExchanges);
  std::printf("small exchange:        program %7.1f us   bare client %7.1f us   overhead %+5.0f%%\n", program_us,
              raw_us, 100.0 * (program_us - raw_us) / raw_us);

  const double program_upload = Upload(program, zip);
  const double raw_upload = Upload(raw, zip);
  std::printf("1 MB upload (1000 pieces): program %7.1f ms   bare client %7.1f ms\n", program_upload, raw_upload);

  for (std::size_t size : {100u, 20000u}) {
    const auto [program_fetch, rows] = Fetch(program, [&] { return program_reply; }, size);
    const auto [raw_fetch, raw_rows] = Fetch(raw, [&] { return bare_reply; }, size);
    std::printf("fetch, %5zu-byte text, %5d rows: program %7.1f ms (%.2f x rows x bare round trip)   bare client %7.1f ms\n",
                size, rows, program_fetch, program_fetch * 1000.0 / (rows * raw_us), raw_fetch);
    (void)raw_rows;
  }
  codegen.terminate();
  codegen.waitForFinished(2000);
  return 0;
}
