#include "symbol/raster/row_render.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace tessellux::symbol::raster {

void ClearRun(std::uint8_t* row, int x0, int x1) {
  if (x0 >= x1) return;
  const int first = x0 >> 3, last = (x1 - 1) >> 3;
  const auto lead = static_cast<std::uint8_t>(0xFFU >> (x0 & 7));
  const auto trail = static_cast<std::uint8_t>(0xFFU << (7 - ((x1 - 1) & 7)));
  if (first == last) {
    row[first] &= static_cast<std::uint8_t>(~(lead & trail));
    return;
  }
  row[first] &= static_cast<std::uint8_t>(~lead);
  std::memset(row + first + 1, 0, static_cast<std::size_t>(last - first - 1));
  row[last] &= static_cast<std::uint8_t>(~trail);
}

namespace {

// Patterns are byte strings handled as words; the byte after a stretch is
// found by shifting, which assumes little-endian words.
static_assert(std::endian::native == std::endian::little);

constexpr std::size_t kMaxWords = (128 + 1 + 7) / 8;  // grid 128
constexpr int kMaxSources = 8;  // cell rows reaching one row: at most 4 per mark (t <= 8, g >= 3)

void SetBits(std::uint8_t* bytes, int x0, int x1) {
  for (int x = x0; x < x1; ++x) bytes[x / 8] |= static_cast<std::uint8_t>(0x80U >> (x % 8));
}

std::uint64_t Load(const std::uint8_t* p) {
  std::uint64_t word;
  std::memcpy(&word, p, sizeof word);
  return word;
}

void Store(std::uint8_t* p, std::uint64_t word) { std::memcpy(p, &word, sizeof word); }

// One cell row's plane and the pattern table of its mark.
struct Source {
  const std::uint64_t* patterns;
  const std::uint8_t* cells;
};

// Stretch m (bytes m * g ..) is the OR of every source's pattern for its
// plane byte m, plus the byte that stretch m - 1 spilled over; stored
// inverted (1 = white). A store may run past the stretch: the next one
// overwrites that. W words per pattern (0: `words`, known only at run time).
template <std::size_t W>
void DrawStretches(const Source* sources, int count, std::size_t words, std::size_t stretches, std::size_t g,
                   std::uint8_t* out, std::size_t row_bytes) {
  const std::size_t n = W != 0 ? W : words;
  std::uint64_t acc[W != 0 ? W : kMaxWords];
  std::uint64_t carry = 0;
  for (std::size_t m = 0; m < stretches; ++m) {
    for (std::size_t w = 0; w < n; ++w) acc[w] = 0;
    for (int s = 0; s < count; ++s) {
      const std::uint64_t* pattern = sources[s].patterns + sources[s].cells[m] * n;
      for (std::size_t w = 0; w < n; ++w) acc[w] |= pattern[w];
    }
    acc[0] |= carry;
    carry = (acc[g / 8] >> (8 * (g % 8))) & 0xFFU;
    const std::size_t at = m * g;
    if (at + 8 * n <= row_bytes) {
      for (std::size_t w = 0; w < n; ++w) Store(out + at + 8 * w, ~acc[w]);
    } else if (at < row_bytes) {  // the row's end: nothing past it
      std::uint8_t bytes[kMaxWords * 8];
      for (std::size_t w = 0; w < n; ++w) Store(bytes + 8 * w, ~acc[w]);
      std::memcpy(out + at, bytes, std::min(row_bytes - at, 8 * n));
    }
  }
  const std::size_t end = stretches * g;
  if (end < row_bytes) {
    out[end] = static_cast<std::uint8_t>(~carry);
    std::memset(out + end + 1, 0xFF, row_bytes - end - 1);
  }
}

}  // namespace

// A mark reaches at most g + 8 pixels past its cell's left edge (Lines A:
// g + t; Dots B: g / 2 + t), so eight cells fit in 8 g + 8 bits.
RowRenderer::RowRenderer(const Layout& layout)
    : layout_(layout),
      words_((static_cast<std::size_t>(layout.grid) + 1 + 7) / 8),
      patterns_{MakePatterns(Mark::A), MakePatterns(Mark::B)},
      reach_(static_cast<std::size_t>(layout.grid)) {
  const int g = layout_.grid;
  const Box a = layout_.Shape(Mark::A), b = layout_.Shape(Mark::B);
  // Cell rows j with j * g + y0 <= y < j * g + y1, for y = r.
  for (int r = 0; r < g; ++r)
    reach_[static_cast<std::size_t>(r)] = {FloorDiv(r - a.y1, g) + 1, FloorDiv(r - a.y0, g),
                                           FloorDiv(r - b.y1, g) + 1, FloorDiv(r - b.y0, g)};
}

std::vector<std::uint64_t> RowRenderer::MakePatterns(Mark mark) const {
  const Box shape = layout_.Shape(mark);
  const int g = layout_.grid;
  std::vector<std::uint64_t> patterns(256 * words_);
  // One mark for each of the eight cells; every other entry is an earlier
  // entry (its lowest cell removed) ORed with one of these.
  std::vector<std::uint64_t> single(8 * words_);
  for (int cell = 0; cell < 8; ++cell) {
    std::vector<std::uint8_t> bytes(words_ * 8);
    SetBits(bytes.data(), cell * g + shape.x0, cell * g + shape.x1);
    for (std::size_t w = 0; w < words_; ++w) single[cell * words_ + w] = Load(bytes.data() + 8 * w);
  }
  for (unsigned v = 1; v < 256; ++v) {
    const std::uint64_t* rest = &patterns[(v & (v - 1)) * words_];
    const std::uint64_t* mark_pixels = &single[static_cast<std::size_t>(std::countr_zero(v)) * words_];
    std::uint64_t* entry = &patterns[v * words_];
    for (std::size_t w = 0; w < words_; ++w) entry[w] = rest[w] | mark_pixels[w];
  }
  return patterns;
}

RowRenderer::RowKey RowRenderer::KeyOf(int y) const {
  const int g = layout_.grid, base = y / g, last_row = layout_.cell_rows() - 1;
  const auto& reach = reach_[static_cast<std::size_t>(y % g)];
  RowKey key;
  key.a_first = std::max(0, base + reach[0]);
  key.a_last = std::min(last_row, base + reach[1]);
  key.b_first = std::max(0, base + reach[2]);
  key.b_last = std::min(last_row, base + reach[3]);
  if (key.a_first > key.a_last) key.a_first = 0, key.a_last = -1;
  if (key.b_first > key.b_last) key.b_first = 0, key.b_last = -1;
  key.bottom = layout_.style == Style::Lines && y >= g * layout_.cell_rows();
  return key;
}

void RowRenderer::Draw(const CellBits& cells, const RowKey& key, std::uint8_t* out, std::size_t row_bytes) const {
  Source sources[kMaxSources];
  int count = 0;
  for (int j = key.a_first; j <= key.a_last; ++j) sources[count++] = {patterns_[0].data(), cells.Row(j, Mark::A)};
  for (int j = key.b_first; j <= key.b_last; ++j) sources[count++] = {patterns_[1].data(), cells.Row(j, Mark::B)};
  const auto g = static_cast<std::size_t>(layout_.grid);
  const auto stretches = static_cast<std::size_t>(layout_.cell_cols() + 7) / 8;
  switch (words_) {
    case 1: DrawStretches<1>(sources, count, words_, stretches, g, out, row_bytes); break;
    case 2: DrawStretches<2>(sources, count, words_, stretches, g, out, row_bytes); break;
    case 3: DrawStretches<3>(sources, count, words_, stretches, g, out, row_bytes); break;
    default: DrawStretches<0>(sources, count, words_, stretches, g, out, row_bytes); break;
  }
  const int width = layout_.width();
  ClearRun(out, width, static_cast<int>(row_bytes * 8));  // padding
  if (layout_.style != Style::Lines) return;
  // The closing lines: right over the full height, bottom over the full width.
  ClearRun(out, key.bottom ? 0 : layout_.grid * layout_.cell_cols(), width);
}

void RowRenderer::Render(const CellBits& cells, int y, std::uint8_t* out, std::size_t row_bytes) const {
  const RowKey key = KeyOf(y);
  LastRow& last = *last_;
  if (last.busy.exchange(true, std::memory_order_acquire)) return Draw(cells, key, out, row_bytes);
  if (last.valid && last.key == key && last.pixels.size() == row_bytes) {
    std::memcpy(out, last.pixels.data(), row_bytes);
  } else {
    Draw(cells, key, out, row_bytes);
    last.pixels.assign(out, out + row_bytes);
    last.key = key;
    last.valid = true;
  }
  last.busy.store(false, std::memory_order_release);
}

}  // namespace tessellux::symbol::raster
