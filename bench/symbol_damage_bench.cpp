// Reading damaged symbols: how many destroyed blocks a 10 x 10, k = 4 symbol
// full of text survives, and what decoding costs undamaged and with as much
// damage per group as the format can take. Figures: docs/benchmarks.md.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "symbol/codec/groups.h"
#include "symbol/symbol.h"

namespace {

using namespace tessellux::symbol;

constexpr int kSide = 10, kK = 4, kGrid = 5, kThickness = 2;

std::string Letters(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string text(size, ' ');
  for (char& c : text) c = static_cast<char>('A' + random() % 26);
  return text;
}

SymbolSpec TenByTen(std::size_t text_size) {
  SymbolSpec request;
  request.layout = Layout{kSide, kSide, 2 * kK, kGrid, Style::Lines, kThickness};
  request.content.text = Letters(text_size, 3);
  return request;
}

// The text the 10 x 10 symbol holds when full, found by trying.
std::size_t FullTextSize() {
  std::size_t size = 2000;
  while (size > 0 && !std::holds_alternative<Symbol>(BuildSymbol(TenByTen(size)))) --size;
  return size;
}

// Overwrites the pixels of block b (8 x 8 cells) with random noise. Rows are
// stored bottom-up, 1 = white.
void Scribble(Bytes& bmp, int width, int height, int b, std::mt19937& random) {
  const std::size_t row_bytes = static_cast<std::size_t>(width + 31) / 32 * 4;
  const int x0 = (1 + 8 * (b % kSide)) * kGrid, y0 = (1 + 8 * (b / kSide)) * kGrid;
  for (int y = y0; y < y0 + 8 * kGrid; ++y) {
    std::uint8_t* row = bmp.data() + 62 + row_bytes * static_cast<std::size_t>(height - 1 - y);
    for (int x = x0; x < x0 + 8 * kGrid; ++x) {
      const auto bit = static_cast<std::uint8_t>(0x80u >> (x % 8));
      if (random() & 1) row[x / 8] |= bit;
      else row[x / 8] &= static_cast<std::uint8_t>(~bit);
    }
  }
}

// Arg: destroyed blocks, chosen at random, 100 trials. Counters: symbols read
// right, refused, read wrong (must stay 0).
void BM_DestroyedBlocks(benchmark::State& state) {
  const auto destroyed = static_cast<int>(state.range(0));
  const SymbolSpec request = TenByTen(FullTextSize());
  const Symbol symbol = std::get<Symbol>(BuildSymbol(request));
  const Bytes clean = symbol.ToBmp();
  int right = 0, refused = 0, wrong = 0;
  for (auto _ : state) {
    std::mt19937 random(static_cast<unsigned>(destroyed));
    for (int trial = 0; trial < 100; ++trial) {
      std::vector<int> blocks(kSide * kSide);
      std::iota(blocks.begin(), blocks.end(), 0);
      std::shuffle(blocks.begin(), blocks.end(), random);
      Bytes bmp = clean;
      for (int i = 0; i < destroyed; ++i) Scribble(bmp, symbol.width(), symbol.height(), blocks[i], random);
      const auto read = ReadSymbol(bmp, {});
      if (const auto* result = std::get_if<ReadResult>(&read))
        ++(result->content.text == request.content.text ? right : wrong);
      else
        ++refused;
    }
  }
  state.counters["right"] = right;
  state.counters["refused"] = refused;
  state.counters["wrong"] = wrong;
}
BENCHMARK(BM_DestroyedBlocks)->DenseRange(4, 12, 2)->Arg(9)->Iterations(1)->Unit(benchmark::kMillisecond);

// A 60 x 60 symbol, k = 4, full of text (11 bytes of header and checksum), for decoding costs.
Encoded LargeEncoded() {
  const std::size_t text = codec::PlanGroups(60, 60, kK).capacity - 11;
  return std::get<Encoded>(EncodePayload({Letters(text, 5), std::nullopt}, {}, 60, 60, 2 * kK));
}

void BM_DecodeUndamaged(benchmark::State& state) {
  const Encoded encoded = LargeEncoded();
  for (auto _ : state) {
    auto decoded = DecodePayload(encoded.codewords, 60, 60, {});
    if (!std::holds_alternative<DecodedPayload>(decoded)) state.SkipWithError("decode failed");
  }
}
BENCHMARK(BM_DecodeUndamaged)->Unit(benchmark::kMicrosecond);

// Arg: damaged bytes per group. Whole blocks are zeroed, as long as no group
// gets more than that many of its bytes damaged; most groups get exactly that.
void BM_DecodeDestroyedBlocks(benchmark::State& state) {
  const auto per_group = static_cast<int>(state.range(0));
  Encoded encoded = LargeEncoded();
  const auto plan = codec::PlanGroups(60, 60, kK);
  std::vector<std::size_t> owner(plan.total, plan.groups);  // group of each codeword, groups = none
  for (std::size_t g = 0; g < plan.groups; ++g)
    for (int j = 0; j < plan.Length(g); ++j) owner[plan.Position(g, j)] = g;
  std::vector<int> hits(plan.groups + 1, 0);
  int zeroed = 0;
  for (std::size_t b = 0; b < plan.total / kBytesPerBlock; ++b) {
    const auto first = owner.begin() + static_cast<std::ptrdiff_t>(b * kBytesPerBlock);
    std::vector<int> after = hits;
    bool fits = true;
    for (auto it = first; it != first + kBytesPerBlock; ++it)
      if (*it < plan.groups && ++after[*it] > per_group) fits = false;
    if (!fits) continue;
    hits = after;
    ++zeroed;
    std::fill_n(encoded.codewords.begin() + static_cast<std::ptrdiff_t>(b * kBytesPerBlock), kBytesPerBlock, 0);
  }
  for (auto _ : state) {
    auto decoded = DecodePayload(encoded.codewords, 60, 60, {});
    if (!std::holds_alternative<DecodedPayload>(decoded)) state.SkipWithError("decode failed");
  }
  state.counters["blocks_zeroed"] = zeroed;
}
BENCHMARK(BM_DecodeDestroyedBlocks)->Arg(kK)->Arg(2 * kK)->Unit(benchmark::kMicrosecond);

// Reading the whole picture of the 10 x 10 symbol, undamaged.
void BM_ReadPicture(benchmark::State& state) {
  const Bytes bmp = std::get<Symbol>(BuildSymbol(TenByTen(FullTextSize()))).ToBmp();
  for (auto _ : state) benchmark::DoNotOptimize(ReadSymbol(bmp, {}));
}
BENCHMARK(BM_ReadPicture)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
