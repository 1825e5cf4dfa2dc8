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
  // Built up from the entry with the lowest cell removed: each entry is one
  // cell's pattern ORed onto an earlier entry.
  std::vector<std::uint8_t> single(words_ * 8);
  for (int v = 1; v < 256; ++v) {
    const int low = __builtin_ctz(static_cast<unsigned>(v));
    std::fill(single.begin(), single.end(), std::uint8_t{0});
    SetBits(single.data(), low * g + stamp.shape.x0, low * g + stamp.shape.x1);
    const std::uint64_t* rest = &stamp.patterns[static_cast<std::size_t>(v & (v - 1)) * words_];
    std::uint64_t* entry = &stamp.patterns[static_cast<std::size_t>(v) * words_];
    for (std::size_t w = 0; w < words_; ++w) entry[w] = rest[w] | Load(single.data() + 8 * w);
  }
  return stamp;
}

void RowRenderer::Paint(const Stamp& stamp, const std::uint8_t* plane_row, std::uint8_t* mask,
                        std::size_t row_bytes) const {
  const auto g = static_cast<std::size_t>(layout_.grid);
  const auto chunks = static_cast<std::size_t>(layout_.cell_cols() + 7) / 8;
  const std::size_t span = words_ * 8;
  for (std::size_t m = 0; m < chunks; ++m) {
    const std::uint8_t cells = plane_row[m];
    if (cells == 0) continue;
    const std::uint64_t* pattern = &stamp.patterns[cells * words_];
    std::uint8_t* at = mask + m * g;
    if (m * g + span <= row_bytes) {
      for (std::size_t w = 0; w < words_; ++w) Store(at + 8 * w, Load(at + 8 * w) | pattern[w]);
      continue;
    }
    // Near the row's end: byte by byte, nothing past it (pixels past the width are cleared later).
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(pattern);
    for (std::size_t k = 0; m * g + k < row_bytes && k < span; ++k) at[k] |= bytes[k];
  }
}

void RowRenderer::Render(const CellBits& cells, int y, std::uint8_t* out, std::size_t row_bytes) const {
  std::memset(out, 0, row_bytes);  // black mask first, 1 = black
  const int g = layout_.grid;
  for (Mark mark : {Mark::A, Mark::B}) {
    const Stamp& stamp = stamps_[static_cast<int>(mark)];
    // Cell rows j with j * g + y0 <= y < j * g + y1.
    const int j_first = std::max(0, FloorDiv(y - stamp.shape.y1, g) + 1);
    const int j_last = std::min(layout_.cell_rows() - 1, FloorDiv(y - stamp.shape.y0, g));
    for (int j = j_first; j <= j_last; ++j) Paint(stamp, cells.Row(j, mark), out, row_bytes);
  }
  for (std::size_t k = 0; k < row_bytes; ++k) out[k] = static_cast<std::uint8_t>(~out[k]);
  const int width = layout_.width();
  ClearRun(out, width, static_cast<int>(row_bytes * 8));  // padding
  if (layout_.style != Style::Lines) return;
  // The closing lines: right over the full height, bottom over the full width.
  if (y >= g * layout_.cell_rows()) {
    ClearRun(out, 0, width);
  } else {
    ClearRun(out, g * layout_.cell_cols(), width);
  }
}

}  // namespace tessellux::symbol::raster
