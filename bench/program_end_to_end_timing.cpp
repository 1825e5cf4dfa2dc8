// The largest symbol end to end, as a user meets it: from entering
// "View/Print" to the symbol shown in the window's view (offscreen), with
// the time of each step the window notes, beside the floor (rows x the bare
// loopback round trip, plus the build reply) and beside the same symbol
// fetched, in the same rounds, by a bare blocking client, by tessellux-build's
// own link in this process and by a whole tessellux-build process.
//
//   build/bench/program_end_to_end_timing [ROUNDS (default 5, at most 10)] [--window-only]
//
// --window-only times the window alone (for a profiler or strace) and
// prints a line a round instead of the table.
//
// Runs the reference Code Generator on 127.0.0.1 for the duration; the
// window looks for it at 127.0.0.1 only and works in a scratch folder.

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QScrollBar>
#include <QAbstractTextDocumentLayout>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/data_choice.h"
#include "app/tabs.h"
#include "bench/bare_client.h"
#include "bench/bench_text.h"
#include "bench/codegen_process.h"
#include "bench/window_link_support.h"
#include "cli/asio_link.h"
#include "generate/build_driver.h"
#include "generate/command_series.h"
#include "output/picture_assembly.h"
#include "protocol/codes.h"
#include "ui/main_form.h"
#include "ui/picture_box.h"

namespace {

using namespace tessellux;
using Clock = std::chrono::steady_clock;
using TimePoint = Clock::time_point;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// The calling thread's CPU time (ms, in user space and in the kernel) and
// how often it slept (voluntary context switches), so far or over a span.
struct Usage {
  double user = 0, system = 0;
  long sleeps = 0;
  static Usage Now() {
    rusage usage{};
    ::getrusage(RUSAGE_THREAD, &usage);
    const auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    return {ms(usage.ru_utime), ms(usage.ru_stime), usage.ru_nvcsw};
  }
  Usage operator-(const Usage& o) const { return {user - o.user, system - o.system, sleeps - o.sleeps}; }
};

// One path's fetch of the symbol: the build reply (from the first message
// of the series to the security command's reply) and the fetch (from there
// to the picture's end reply), in ms.
struct Fetched {
  double build_reply = 0;
  double fetch = 0;
  int rows = 0;
  Usage used;  // by the fetch
  double PerRowUs() const { return rows > 0 ? fetch * 1000.0 / rows : 0; }
};

// The window's steps, in ms, each from the end of the one before.
struct WindowRun {
  double request = 0, build_reply = 0, fetch = 0, write = 0, pack = 0, reduction = 0, paint = 0, shown = 0, total = 0;
  int rows = 0;
  Usage used, fetch_used;  // by the window's thread: click to shown, and the fetch
  double PerRowUs() const { return rows > 0 ? fetch * 1000.0 / rows : 0; }
};

struct Round {
  double round_trip_us = 0;
  Fetched bare, tool_link;
  double tool_process = 0;
  WindowRun window;
  double Floor() const { return bare.rows * round_trip_us / 1000.0 + bare.build_reply; }
};

std::string LoadAverage() {
  std::ifstream file("/proc/loadavg");
  std::string one, five, fifteen;
  file >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

// The round trip of the smallest exchange (the layout command) on a fresh
// bare connection: the median of 2,000 after 200 to warm up.
double RoundTripUs(quint16 port, const Bytes& layout) {
  bench::BareClient client(port);
  if (!client.Ok()) return 0;
  for (int i = 0; i < 200; ++i) client.Exchange(layout);
  std::vector<double> times;
  for (int i = 0; i < 2000; ++i) {
    const TimePoint start = Clock::now();
    if (client.Exchange(layout).empty()) return 0;
    times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
  }
  std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
  return times[times.size() / 2];
}

// The series as the window sends it, then the header and every row, each
// exchange waited for on a blocking socket; the rows joined as any client
// must.
std::optional<Fetched> BareFetch(quint16 port, const std::vector<generate::SeriesStep>& series) {
  bench::BareClient client(port);
  if (!client.Ok()) return std::nullopt;
  const TimePoint start = Clock::now();
  for (const generate::SeriesStep& step : series) {
    const Bytes reply = client.Exchange(step.command);
    if (reply.size() < 2 || reply[1] != 0) return std::nullopt;
  }
  const TimePoint replied = Clock::now();
  const Usage before = Usage::Now();
  output::PictureAssembly picture;
  if (!picture.SetHeader(client.Exchange({protocol::Code(protocol::Command::PictureHeader)}))) return std::nullopt;
  picture.ReserveWhole();
  const Bytes row_request{protocol::Code(protocol::Command::PictureRow)};
  Fetched fetched;
  for (int i = 0; i <= picture.Shape().height; ++i) {
    const Bytes reply = client.Exchange(row_request);
    if (protocol::IsEndOfPicture(reply)) break;
    if (!picture.AddPiece(reply)) return std::nullopt;
    ++fetched.rows;
  }
  if (!picture.Complete()) return std::nullopt;
  const Bytes joined = std::move(picture).Join(false);
  fetched.used = Usage::Now() - before;
  fetched.build_reply = Ms(replied - start);
  fetched.fetch = Ms(Clock::now() - replied);
  return fetched;
}

// tessellux-build's own link and build driver in this process: its build
// run notes when the reply and the last row came.
std::optional<Fetched> ToolLinkFetch(quint16 port, const generate::BuildRequest& request) {
  std::string error;
  auto link = cli::AsioLink::Connect("127.0.0.1", port, std::chrono::milliseconds(3000), &error);
  if (!link) return std::nullopt;
  // The driver reports each stage's last exchange: the security command's
  // reply, then the picture's end.
  Usage replied, fetched;
  const auto progress = [&](generate::BuildStage stage, std::uint64_t done, std::uint64_t total) {
    if (done == total) (stage == generate::BuildStage::kSending ? replied : fetched) = Usage::Now();
  };
  const generate::BuildResult result = generate::BuildDriver(*link, progress).Build(request);
  if (!result.ok()) {
    std::fprintf(stderr, "tessellux-build's link: %s\n", result.failure->Describe().c_str());
    return std::nullopt;
  }
  return Fetched{Ms(result.times.replied - result.times.started), Ms(result.times.fetched - result.times.replied),
                 result.picture_shape.height, fetched - replied};
}

// What entering "View/Print" does, then the window's own event loop until
// the view has painted the new symbol (at most `timeout_ms`).
std::optional<WindowRun> WindowBuild(ui::MainForm& window, int timeout_ms) {
  window.SSTab->setCurrentIndex(app::kStyleTab);
  QCoreApplication::processEvents();
  const int built = window.SymbolsBuilt();
  QEventLoop loop;
  TimePoint shown{};
  // The view's paint event of the new symbol: once it and the rest of that
  // paint are done, the symbol is on the screen.
  struct PaintWatch : QObject {
    std::function<void()> painted;
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint) painted();
      return false;
    }
  } watch;
  TimePoint click{};
  watch.painted = [&] {
    if (window.LastSymbolTimes().packed > click && shown == TimePoint{})
      QMetaObject::invokeMethod(&loop, [&] { shown = Clock::now(); loop.quit(); }, Qt::QueuedConnection);
  };
  window.ViewPicture->installEventFilter(&watch);
  QTimer failed;  // a build that ended without a symbol paints nothing new
  QObject::connect(&failed, &QTimer::timeout, &loop, [&] {
    if (!window.Building() && window.SymbolsBuilt() == built) loop.quit();
  });
  failed.start(100);
  QTimer::singleShot(timeout_ms, &loop, &QEventLoop::quit);
  // The fetch's usage: from the security command's reply to the last row
  // (the window's own handler of each outcome has run when this one does).
  // Counted, not sampled, per row: a sample is a system call.
  Usage at_reply, at_last_row;
  int rows_left = -1;
  const auto exchanges = QObject::connect(&window.Link(), &ui::CodeGeneratorLink::exchangeEnded, &loop,
                                          [&](const link::ExchangeOutcome& outcome) {
    const std::uint8_t code = outcome.reply.empty() ? 0 : outcome.reply[0];
    if (code == protocol::Code(protocol::Command::BuildPublic)) {
      at_reply = Usage::Now();
    } else if (code == protocol::Code(protocol::Command::PictureHeader)) {
      output::PictureAssembly header;
      rows_left = header.SetHeader(outcome.reply) ? header.Shape().height : -1;
    } else if (code == protocol::Code(protocol::Command::PictureRow) && rows_left > 0 && --rows_left == 0) {
      at_last_row = Usage::Now();
    }
  });
  const Usage before = Usage::Now();
  click = Clock::now();
  window.SSTab->setCurrentIndex(app::kViewPrintTab);
  loop.exec();
  const Usage after = Usage::Now();
  QObject::disconnect(exchanges);
  window.ViewPicture->removeEventFilter(&watch);
  if (shown == TimePoint{}) return std::nullopt;
  const ui::MainForm::SymbolTimes& t = window.LastSymbolTimes();
  WindowRun run;
  run.request = Ms(t.build.started - click);
  run.build_reply = Ms(t.build.replied - t.build.started);
  run.fetch = Ms(t.build.fetched - t.build.replied);
  run.write = Ms(t.written - t.build.fetched);
  run.pack = Ms(t.packed - t.written);
  const TimePoint reduced = t.reduced == TimePoint{} ? t.packed : t.reduced;  // no reduction at full size
  run.reduction = Ms(reduced - t.packed);
  run.paint = Ms(t.painted - reduced);
  run.shown = Ms(shown - t.painted);
  run.total = Ms(shown - click);
  run.rows = window.SymbolPixelHeight();
  run.used = after - before;
  run.fetch_used = at_last_row - at_reply;
  return run;
}

// The same BMP but for its resolution (the bytes at 38 to 45), which
// tessellux-build sets to its --dpi.
bool SameSymbolFile(const QString& a, const QString& b) {
  QFile fa(a), fb(b);
  if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly)) return false;
  const QByteArray x = fa.readAll(), y = fb.readAll();
  return x.size() == y.size() && x.size() > 46 && x.first(38) == y.first(38) && x.sliced(46) == y.sliced(46);
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// One line of the table: the figure of each round, then their median.
// Each figure at its best over the rounds (the least disturbed on a shared
// machine); the ratios of the best figures follow from it.
Usage Best(const Usage& a, const Usage& b) {
  return {std::min(a.user, b.user), std::min(a.system, b.system), std::min(a.sleeps, b.sleeps)};
}
Fetched Best(const Fetched& a, const Fetched& b) {
  return {std::min(a.build_reply, b.build_reply), std::min(a.fetch, b.fetch), a.rows, Best(a.used, b.used)};
}
WindowRun Best(const WindowRun& a, const WindowRun& b) {
  WindowRun w = a;
  for (auto field : {&WindowRun::request, &WindowRun::build_reply, &WindowRun::fetch, &WindowRun::write,
                     &WindowRun::pack, &WindowRun::reduction, &WindowRun::paint, &WindowRun::shown, &WindowRun::total})
    w.*field = std::min(a.*field, b.*field);
  w.used = Best(a.used, b.used);
  w.fetch_used = Best(a.fetch_used, b.fetch_used);
  return w;
}
Round Best(const std::vector<Round>& rounds) {
  Round best = rounds.front();
  for (const Round& r : rounds) {
    best.round_trip_us = std::min(best.round_trip_us, r.round_trip_us);
    best.bare = Best(best.bare, r.bare);
    best.tool_link = Best(best.tool_link, r.tool_link);
    best.tool_process = std::min(best.tool_process, r.tool_process);
    best.window = Best(best.window, r.window);
  }
  return best;
}

// One line of the table: the figure of each round, their median, and the
// figure of the best round (see Best).
template <typename Figure>
void Line(const char* what, const std::vector<Round>& rounds, Figure figure, const char* format = "%.1f") {
  std::vector<double> values;
  std::printf("| %s |", what);
  for (const Round& r : rounds) {
    values.push_back(figure(r));
    std::printf(" ");
    std::printf(format, values.back());
    std::printf(" |");
  }
  std::printf(" ");
  std::printf(format, Median(values));
  std::printf(" | ");
  std::printf(format, figure(Best(rounds)));
  std::printf(" |\n");
}

void PrintTable(const std::vector<Round>& rounds) {
  std::printf("\n| What |");
  for (std::size_t i = 0; i < rounds.size(); ++i) std::printf(" round %zu |", i + 1);
  std::printf(" median | best |\n|---|");
  for (std::size_t i = 0; i <= rounds.size() + 1; ++i) std::printf("---|");
  std::printf("\n");
  Line("bare round trip (us)", rounds, [](const Round& r) { return r.round_trip_us; });
  Line("rows", rounds, [](const Round& r) { return double(r.bare.rows); }, "%.0f");
  Line("bare: build reply (ms)", rounds, [](const Round& r) { return r.bare.build_reply; });
  Line("bare: fetch (ms)", rounds, [](const Round& r) { return r.bare.fetch; });
  Line("tessellux-build's link: build reply (ms)", rounds, [](const Round& r) { return r.tool_link.build_reply; });
  Line("tessellux-build's link: fetch (ms)", rounds, [](const Round& r) { return r.tool_link.fetch; });
  Line("tessellux-build process, whole (ms)", rounds, [](const Round& r) { return r.tool_process; });
  Line("window: reading the request (ms)", rounds, [](const Round& r) { return r.window.request; });
  Line("window: build reply (ms)", rounds, [](const Round& r) { return r.window.build_reply; });
  Line("window: fetch (ms)", rounds, [](const Round& r) { return r.window.fetch; });
  Line("window: write Tessellux.bmp (ms)", rounds, [](const Round& r) { return r.window.write; });
  Line("window: pack to 1 bit a pixel (ms)", rounds, [](const Round& r) { return r.window.pack; });
  Line("window: reduction (ms)", rounds, [](const Round& r) { return r.window.reduction; });
  Line("window: paint of the view (ms)", rounds, [](const Round& r) { return r.window.paint; });
  Line("window: rest of the paint, to the loop (ms)", rounds, [](const Round& r) { return r.window.shown; });
  Line("window: its thread's CPU, click to shown (ms)", rounds,
       [](const Round& r) { return r.window.used.user + r.window.used.system; });
  Line("**window: click to shown (ms)**", rounds, [](const Round& r) { return r.window.total; });
  Line("floor: rows x round trip + bare build reply (ms)", rounds, [](const Round& r) { return r.Floor(); });
  Line("window total / floor", rounds, [](const Round& r) { return r.window.total / r.Floor(); }, "%.2f");
  Line("per row (us): bare", rounds, [](const Round& r) { return r.bare.PerRowUs(); });
  Line("per row (us): tessellux-build's link", rounds, [](const Round& r) { return r.tool_link.PerRowUs(); });
  // The process's time less the bare build reply: its start, upload, fetch
  // and file, all charged to the rows (an upper bound on its fetch).
  Line("per row (us): tessellux-build process, at most", rounds,
       [](const Round& r) { return (r.tool_process - r.bare.build_reply) * 1000.0 / r.bare.rows; });
  Line("per row (us): window", rounds, [](const Round& r) { return r.window.PerRowUs(); });
  const auto cpu = [](const Usage& u, int rows) { return (u.user + u.system) * 1000.0 / rows; };
  Line("CPU per row (us), user + kernel: bare", rounds, [&](const Round& r) { return cpu(r.bare.used, r.bare.rows); });
  Line("CPU per row (us), user + kernel: tessellux-build's link", rounds,
       [&](const Round& r) { return cpu(r.tool_link.used, r.tool_link.rows); });
  Line("CPU per row (us), user + kernel: window", rounds,
       [&](const Round& r) { return cpu(r.window.fetch_used, r.window.rows); });
  Line("of which in the kernel: window", rounds,
       [](const Round& r) { return r.window.fetch_used.system * 1000.0 / r.window.rows; });
  Line("sleeps per 100 rows: bare", rounds, [](const Round& r) { return r.bare.used.sleeps * 100.0 / r.bare.rows; });
  Line("sleeps per 100 rows: window", rounds,
       [](const Round& r) { return r.window.fetch_used.sleeps * 100.0 / r.window.rows; });
  Line("per row: window / tessellux-build's link", rounds,
       [](const Round& r) { return r.window.PerRowUs() / r.tool_link.PerRowUs(); }, "%.2f");
  Line("per row: tessellux-build's link / bare", rounds,
       [](const Round& r) { return r.tool_link.PerRowUs() / r.bare.PerRowUs(); }, "%.2f");
  Line("per row: window / bare", rounds, [](const Round& r) { return r.window.PerRowUs() / r.bare.PerRowUs(); },
       "%.2f");
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int rounds = std::clamp(argc > 1 ? std::atoi(argv[1]) : 5, 1, 10);
  const bool window_only = argc > 2 && std::string(argv[2]) == "--window-only";
  const QString bin = QCoreApplication::applicationDirPath() + "/..";
  std::printf("load average at the start: %s\n", LoadAverage().c_str());

  QTemporaryDir dir;
  if (!dir.isValid()) return 1;
  QDir::setCurrent(dir.path());  // the window's settings and Tessellux.bmp
  QProcess codegen;
  const quint16 port = bench::StartCodeGenerator(codegen, bin + "/codegen/tessellux-codegen");
  if (port == 0) {
    std::fprintf(stderr, "cannot start the Code Generator\n");
    return 1;
  }

  // Lines of 79 characters, as an encoded file is pasted: the text box lays
  // such lines out quickly (one line of 645,000 characters takes it a minute).
  std::string text = bench::AlphanumericText(bench::kLargestTextBytes);
  for (std::size_t i = 79; i < text.size(); i += 80) text[i] = '\n';
  const std::string text_file = dir.filePath("text.txt").toStdString();
  std::ofstream(text_file, std::ios::binary) << text;

  bench::SilentBoxes boxes;
  ui::MainFormOptions options;
  options.discovery_address = QHostAddress(QStringLiteral("127.0.0.1"));
  options.port = port;
  options.messages = &boxes;
  options.pdf_printer_only = true;
  ui::MainForm window(options);
  window.show();
  if (!bench::WaitForLink(window.Link(), 10000)) {
    std::fprintf(stderr, "the window found no Code Generator\n");
    return 1;
  }
  window.DataOption[app::kText]->setChecked(true);
  window.DataText->setPlainText(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
  window.DataText->document()->documentLayout()->documentSize();  // laid out now, not during a build
  window.GridSizeScroll->setValue(bench::kLargestGrid);

  // The same request for the other paths.
  generate::BuildRequest request;
  request.data = app::kText;
  request.text = ToBytes(text);
  request.layout.grid = bench::kLargestGrid;
  request.layout.thickness = window.ThicknessScroll->value();
  const std::vector<generate::SeriesStep> series = generate::CommandSeries(request, {});
  const std::string tool = (bin + "/cli/tessellux-build").toStdString();
  const std::string tool_out = dir.filePath("tool.bmp").toStdString();

  std::vector<Round> results;
  bool same_symbol = true;
  for (int i = 0; i < rounds; ++i) {
    Round round;
    if (window_only) {
      const auto shown = WindowBuild(window, 120000);
      if (!shown) return 1;
      round.window = *shown;
      const Usage& f = shown->fetch_used;
      std::printf("round %d: window %.0f ms click to shown; fetch %.0f ms, %.1f us a row; "
                  "fetch CPU %.1f + %.1f us a row (user + kernel), %ld sleeps\n",
                  i + 1, shown->total, shown->fetch, shown->PerRowUs(), f.user * 1000 / shown->rows,
                  f.system * 1000 / shown->rows, f.sleeps);
      continue;
    }
    round.round_trip_us = RoundTripUs(port, series.front().command);
    const auto bare = BareFetch(port, series);
    const auto tool_link = ToolLinkFetch(port, request);
    const TimePoint start = Clock::now();
    const int code = bench::RunTimed({tool, "--host", "127.0.0.1", "--port", std::to_string(port), "--text-file",
                                      text_file, "--grid", std::to_string(bench::kLargestGrid), "--thickness",
                                      std::to_string(request.layout.thickness), "-o", tool_out},
                                     std::chrono::seconds(60));
    round.tool_process = Ms(Clock::now() - start);
    const auto shown = WindowBuild(window, 120000);
    if (!bare || !tool_link || code != 0 || !shown || round.round_trip_us <= 0) {
      std::fprintf(stderr, "round %d failed: bare %d, tessellux-build's link %d, process exit %d, window %d\n", i + 1,
                   bare.has_value(), tool_link.has_value(), code, shown.has_value());
      return 1;
    }
    round.bare = *bare;
    round.tool_link = *tool_link;
    round.window = *shown;
    same_symbol = same_symbol && round.bare.rows == round.window.rows && round.tool_link.rows == round.window.rows &&
                  SameSymbolFile(QString::fromStdString(tool_out), window.SymbolPictureFile());
    results.push_back(round);
    std::printf("round %d: window %.0f ms click to shown, %d rows\n", i + 1, round.window.total, round.window.rows);
    std::fflush(stdout);
  }
  if (window_only) return 0;
  std::printf("symbol: %d x %d pixels, %lld-byte file; tessellux-build's file and the window's %s\n",
              window.SymbolPixelWidth(), window.SymbolPixelHeight(), QFile(window.SymbolPictureFile()).size(),
              same_symbol ? "are the same but for the resolution" : "DIFFER");
  PrintTable(results);
  std::printf("\nload average at the end: %s\n", LoadAverage().c_str());
  codegen.terminate();
  codegen.waitForFinished(3000);
  return 0;
}
