#include "symbol/raster/row_render.h"

#include <algorithm>
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

void SetBits(std::uint8_t* bytes, int x0, int x1) {
  for (int x = x0; x < x1; ++x) bytes[x / 8] |= static_cast<std::uint8_t>(0x80U >> (x % 8));
}

std::uint64_t Load(const std::uint8_t* p) {
  std::uint64_t word;
  std::memcpy(&word, p, sizeof word);
  return word;
}

void Store(std::uint8_t* p, std::uint64_t word) { std::memcpy(p, &word, sizeof word); }

// ORs the patterns of plane bytes [0, count) onto the mask, chunk m at byte
// m * g. Patterns are W words (W = 0: `words`, known only at run time).
template <std::size_t W>
void OrPatterns(const std::uint64_t* patterns, std::size_t words, const std::uint8_t* cells, std::size_t count,
                std::size_t g, std::uint8_t* mask) {
  const std::size_t n = W != 0 ? W : words;
  for (std::size_t m = 0; m < count; ++m, mask += g) {
    if (cells[m] == 0) continue;
    const std::uint64_t* pattern = patterns + cells[m] * n;
    for (std::size_t w = 0; w < n; ++w) Store(mask + 8 * w, Load(mask + 8 * w) | pattern[w]);
  }
}

// Row bytes are a multiple of 4.
void Invert(std::uint8_t* row, std::size_t size) {
  std::size_t k = 0;
  for (; k + 8 <= size; k += 8) Store(row + k, ~Load(row + k));
  for (; k < size; ++k) row[k] = static_cast<std::uint8_t>(~row[k]);
}

}  // namespace

// A mark reaches at most g + 8 pixels past its cell's left edge (Lines A:
// g + t; Dots B: g / 2 + t), so eight cells fit in 8 g + 8 bits.
RowRenderer::RowRenderer(const Layout& layout)
    : layout_(layout),
      words_((static_cast<std::size_t>(layout.grid) + 1 + 7) / 8),
      stamps_{MakeStamp(Mark::A), MakeStamp(Mark::B)} {}

RowRenderer::Stamp RowRenderer::MakeStamp(Mark mark) const {
  Stamp stamp{layout_.Shape(mark), std::vector<std::uint64_t>(256 * words_)};
  const int g = layout_.grid;
  // One mark for each of the eight cells; every other entry is an earlier
  // entry (its lowest cell removed) ORed with one of these.
  std::vector<std::uint64_t> single(8 * words_);
  for (int cell = 0; cell < 8; ++cell) {
    std::vector<std::uint8_t> bytes(words_ * 8);
    SetBits(bytes.data(), cell * g + stamp.shape.x0, cell * g + stamp.shape.x1);
    for (std::size_t w = 0; w < words_; ++w) single[cell * words_ + w] = Load(bytes.data() + 8 * w);
  }
  for (unsigned v = 1; v < 256; ++v) {
    const std::uint64_t* rest = &stamp.patterns[(v & (v - 1)) * words_];
    const std::uint64_t* mark_pixels = &single[static_cast<std::size_t>(__builtin_ctz(v)) * words_];
    std::uint64_t* entry = &stamp.patterns[v * words_];
    for (std::size_t w = 0; w < words_; ++w) entry[w] = rest[w] | mark_pixels[w];
  }
  return stamp;
}

void RowRenderer::Paint(const Stamp& stamp, const std::uint8_t* plane_row, std::uint8_t* mask,
                        std::size_t row_bytes) const {
  const auto g = static_cast<std::size_t>(layout_.grid);
  const auto chunks = static_cast<std::size_t>(layout_.cell_cols() + 7) / 8;
  const std::size_t span = words_ * 8;
  // Chunks whose whole pattern lies inside the row take word operations.
  const std::size_t fast = row_bytes < span ? 0 : std::min(chunks, (row_bytes - span) / g + 1);
  const std::uint64_t* patterns = stamp.patterns.data();
  switch (words_) {
    case 1: OrPatterns<1>(patterns, words_, plane_row, fast, g, mask); break;
    case 2: OrPatterns<2>(patterns, words_, plane_row, fast, g, mask); break;
    case 3: OrPatterns<3>(patterns, words_, plane_row, fast, g, mask); break;
    default: OrPatterns<0>(patterns, words_, plane_row, fast, g, mask); break;
  }
  // Near the row's end: byte by byte, nothing past it (pixels past the width are cleared later).
  for (std::size_t m = fast; m < chunks; ++m) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&patterns[plane_row[m] * words_]);
    for (std::size_t k = 0; m * g + k < row_bytes && k < span; ++k) mask[m * g + k] |= bytes[k];
  }
}

RowRenderer::RowKey RowRenderer::KeyOf(int y) const {
  const int g = layout_.grid;
  RowKey key;
  // Cell rows j with j * g + y0 <= y < j * g + y1.
  auto reach = [&](const Box& shape, int& first, int& last) {
    first = std::max(0, FloorDiv(y - shape.y1, g) + 1);
    last = std::min(layout_.cell_rows() - 1, FloorDiv(y - shape.y0, g));
    if (first > last) first = 0, last = -1;
  };
  reach(stamps_[0].shape, key.a_first, key.a_last);
  reach(stamps_[1].shape, key.b_first, key.b_last);
  key.bottom = layout_.style == Style::Lines && y >= g * layout_.cell_rows();
  return key;
}

void RowRenderer::Draw(const CellBits& cells, const RowKey& key, std::uint8_t* out, std::size_t row_bytes) const {
  std::memset(out, 0, row_bytes);  // black mask first, 1 = black
  for (int j = key.a_first; j <= key.a_last; ++j) Paint(stamps_[0], cells.Row(j, Mark::A), out, row_bytes);
  for (int j = key.b_first; j <= key.b_last; ++j) Paint(stamps_[1], cells.Row(j, Mark::B), out, row_bytes);
  Invert(out, row_bytes);
  const int width = layout_.width();
  ClearRun(out, width, static_cast<int>(row_bytes * 8));  // padding
  if (layout_.style != Style::Lines) return;
  // The closing lines: right over the full height, bottom over the full width.
  ClearRun(out, key.bottom ? 0 : layout_.grid * layout_.cell_cols(), width);
}

void RowRenderer::Render(const CellBits& cells, int y, std::uint8_t* out, std::size_t row_bytes) const {
  const RowKey key = KeyOf(y);
  std::unique_lock lock(last_->mutex, std::try_to_lock);
  if (!lock) return Draw(cells, key, out, row_bytes);  // another thread is rendering: no sharing
  LastRow& last = *last_;
  if (last.valid && last.key == key && last.pixels.size() == row_bytes) {
    std::memcpy(out, last.pixels.data(), row_bytes);
    return;
  }
  Draw(cells, key, out, row_bytes);
  last.pixels.assign(out, out + row_bytes);
  last.key = key;
  last.valid = true;
}

}  // namespace tessellux::symbol::raster
