// Code Generator benchmarks: encode + render per payload byte (ours, and
// libzint's and libqrencode's in this process where they are installed),
// the build reply for the largest symbol the bitmap limit allows, one
// picture row reply (in the session and over loopback), and the service's
// memory over 1,000 builds. Figures and how to rerun them:
// docs/benchmarks.md.

#include <benchmark/benchmark.h>

#include <fstream>
#include <thread>

#include "bench/bench_text.h"
#include "codegen/server_thread.h"
#include "codegen/session.h"
#include "protocol/framing.h"
#include "symbol/symbol.h"
#include "tests/support/codegen_client.h"

#ifdef TESSELLUX_BENCH_ZINT
#include <zint.h>
#endif
#ifdef TESSELLUX_BENCH_QRENCODE
#include <qrencode.h>
#endif

namespace {

using namespace tessellux;
using namespace tessellux::codegen;

const symbol::BuildLimits kDefaultLimits{};  // 64 MiB

std::string Payload(std::size_t size) { return tessellux::bench::AlphanumericText(size); }

Bytes Cmd(std::uint8_t code, const std::string& params = {}) {
  // Made whole from one string: GCC 12 at -O3 reads a copy into a fresh
  // vector after its first byte as writing out of bounds.
  const std::string message = static_cast<char>(code) + params;
  return Bytes(message.begin(), message.end());
}

// Layout, text and security of a build, then every row rendered: what the
// service does for one symbol. Args: payload bytes, grid.
void BM_EncodeAndRender(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  symbol::SymbolSpec request;
  request.layout.grid = static_cast<int>(state.range(1));
  request.content.text = Payload(size);
  Bytes row;
  for (auto _ : state) {
    auto built = symbol::BuildSymbol(request, kDefaultLimits);
    const auto& symbol = std::get<symbol::Symbol>(built);
    row.resize(symbol.row_bytes());
    for (int y = 0; y < symbol.height(); ++y) symbol.RenderRow(y, row.data());
    benchmark::DoNotOptimize(row.data());
  }
  state.counters["per_byte"] =
      benchmark::Counter(static_cast<double>(size), benchmark::Counter::kIsIterationInvariantRate |
                                                        benchmark::Counter::kInvert);
}
BENCHMARK(BM_EncodeAndRender)->ArgsProduct({{1000, 2000, 20000}, {3, 8}})->Unit(benchmark::kMicrosecond);

// The same without the rendering: the symbol's bytes and cells only.
void BM_EncodeOnly(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  symbol::SymbolSpec request;
  request.layout.grid = 3;
  request.content.text = Payload(size);
  for (auto _ : state) {
    auto built = symbol::BuildSymbol(request, kDefaultLimits);
    benchmark::DoNotOptimize(&built);
  }
  state.counters["per_byte"] = benchmark::Counter(
      static_cast<double>(size), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_EncodeOnly)->Arg(1000)->Arg(2000)->Arg(20000)->Unit(benchmark::kMicrosecond);

// Peers in this process, on the same payloads, as their command-line tools
// run them by default. Neither Data Matrix (at most 2,335 letters and
// digits) nor QR (4,296) holds 20,000 bytes.
#ifdef TESSELLUX_BENCH_ZINT
// libzint: encode, and with Arg 1 also the bitmap (ZBarcode_Buffer, one
// pixel per module, as `zint -o FILE.bmp` draws before it writes).
// Args: payload bytes, symbology (71 Data Matrix, 58 QR), bitmap.
void BM_Zint(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  const std::string text = Payload(size);
  for (auto _ : state) {
    zint_symbol* symbol = ZBarcode_Create();
    symbol->symbology = static_cast<int>(state.range(1));
    int result = ZBarcode_Encode(symbol, reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(size));
    if (result < ZINT_ERROR && state.range(2) != 0) result = ZBarcode_Buffer(symbol, 0);
    benchmark::DoNotOptimize(symbol->bitmap);
    ZBarcode_Delete(symbol);
    if (result >= ZINT_ERROR) {
      state.SkipWithError("zint refused the payload");
      break;
    }
  }
  state.counters["per_byte"] = benchmark::Counter(
      static_cast<double>(size), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Zint)->ArgsProduct({{1000, 2000}, {BARCODE_DATAMATRIX, BARCODE_QRCODE}, {0, 1}})->Unit(benchmark::kMicrosecond);
#endif

#ifdef TESSELLUX_BENCH_QRENCODE
// libqrencode: the module matrix (a byte per module), level L, mixed modes,
// as `qrencode` does by default before it draws the PNG.
void BM_Qrencode(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  const std::string text = Payload(size);
  for (auto _ : state) {
    QRcode* code = QRcode_encodeString(text.c_str(), 0, QR_ECLEVEL_L, QR_MODE_8, 1);
    if (code == nullptr) {
      state.SkipWithError("qrencode refused the payload");
      break;
    }
    benchmark::DoNotOptimize(code->data);
    QRcode_free(code);
  }
  state.counters["per_byte"] = benchmark::Counter(
      static_cast<double>(size), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Qrencode)->Arg(1000)->Arg(2000)->Unit(benchmark::kMicrosecond);
#endif

// 254 x 254 blocks at grid 11 (lines, thickness 2): 22,376 pixels square,
// 62.6 MB of bitmap, the largest that fits the default 64 MiB limit. Filled
// with 645,000 bytes of text (it holds 645,149). Arg: 0x51 public, 0x52 private.
constexpr std::uint8_t kLargestLayout[] = {0x11, 254, 254, 0, 11, 1, 2};
const std::string& LargestText() {
  static const std::string text = Payload(tessellux::bench::kLargestTextBytes);
  return text;
}

void StartLargestBuild(Session& session, std::uint8_t mode) {
  session.Handle(Bytes(std::begin(kLargestLayout), std::end(kLargestLayout)));
  session.Handle(Cmd(0x21, LargestText()));
  if (mode == 0x52) session.Handle(Cmd(0x41, "phrase"));
}

void BM_BuildReplyLargest(benchmark::State& state) {
  const auto mode = static_cast<std::uint8_t>(state.range(0));
  Session session(MakeSymbolBuilder(kDefaultLimits), "ACME");
  for (auto _ : state) {
    state.PauseTiming();
    StartLargestBuild(session, mode);
    state.ResumeTiming();
    const Bytes reply = session.Handle(Cmd(mode));
    if (reply.size() != 5 || reply[1] != 0) state.SkipWithError("build failed");
  }
}
BENCHMARK(BM_BuildReplyLargest)->Arg(0x51)->Arg(0x52)->Unit(benchmark::kMillisecond);

// One 0x62 reply of the largest symbol: render the row and frame it, as the
// connection does (2,800 bytes of pixels).
void BM_RowReplyLargest(benchmark::State& state) {
  Session session(MakeSymbolBuilder(kDefaultLimits), "ACME");
  StartLargestBuild(session, 0x51);
  session.Handle(Cmd(0x51));
  session.Handle(Cmd(0x61));
  Bytes frame;
  for (auto _ : state) {
    Bytes reply = session.Handle(Cmd(0x62));
    if (reply.size() == 2) {  // all rows sent: start the picture again
      session.Handle(Cmd(0x61));
      reply = session.Handle(Cmd(0x62));
    }
    frame.clear();
    protocol::AppendFrame(reply, frame);
    benchmark::DoNotOptimize(frame.data());
  }
}
BENCHMARK(BM_RowReplyLargest)->Unit(benchmark::kMicrosecond);

// The service on loopback, in this process.
class LoopbackService : public codegen::ServerThread {
 public:
  LoopbackService()
      : ServerThread(ServerConfig{.bind = "127.0.0.1",
                                  .port = 0,
                                  .admission = {.max_clients = 64},
                                  .connection = {.company = "ACME",
                                                 .builder = MakeSymbolBuilder(kDefaultLimits),
                                                 .session = {},
                                                 .max_frame = std::size_t{17} << 20,
                                                 .frame_timeout = std::chrono::seconds(5),
                                                 .idle_timeout = std::chrono::seconds(0),
                                                 .pool = nullptr,
                                                 .log = nullptr}}) {}
};

// A whole 0x62 exchange over loopback for the largest symbol.
void BM_RowExchangeLoopback(benchmark::State& state) {
  LoopbackService service;
  testing::TestClient client(service.port());
  client.Exchange(Bytes(std::begin(kLargestLayout), std::end(kLargestLayout)));
  client.Exchange(Cmd(0x21, LargestText()));
  client.Exchange(Cmd(0x51));
  client.Exchange(Cmd(0x61));
  for (auto _ : state) {
    auto reply = client.Exchange(Cmd(0x62));
    if (!reply) {
      state.SkipWithError("no reply");
      break;
    }
    if (reply->size() == 2) client.Exchange(Cmd(0x61));
  }
}
BENCHMARK(BM_RowExchangeLoopback)->Unit(benchmark::kMicrosecond);

long ResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string key;
  long value = 0;
  while (status >> key) {
    if (key == "VmRSS:") {
      status >> value;
      return value;
    }
    status.ignore(1 << 12, '\n');
  }
  return -1;
}

// Full series over loopback (layout, 1,000 bytes of text, 0x51, the picture
// row by row), 1,000 times; resident memory after the first 100 builds and
// after all of them.
void BM_ThousandBuildsMemory(benchmark::State& state) {
  LoopbackService service;
  const std::string text = Payload(1000);
  long after_warmup = 0;
  for (auto _ : state) {
    testing::TestClient client(service.port());
    for (int build = 0; build < 1000; ++build) {
      if (build == 100) after_warmup = ResidentKiB();
      client.Exchange(Bytes{0x11, 0, 0, 0, 3, 1, 1});
      client.Exchange(Cmd(0x21, text));
      client.Exchange(Cmd(0x51));
      client.Exchange(Cmd(0x61));
      for (int row = 0; row < 10000; ++row) {
        auto reply = client.Exchange(Cmd(0x62));
        if (!reply || reply->size() == 2) break;
      }
    }
  }
  state.counters["rss_kib_after_100"] = static_cast<double>(after_warmup);
  state.counters["rss_kib_after_1000"] = static_cast<double>(ResidentKiB());
}
BENCHMARK(BM_ThousandBuildsMemory)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
