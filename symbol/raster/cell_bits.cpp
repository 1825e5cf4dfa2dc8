#include "symbol/raster/cell_bits.h"

#include <cstring>

namespace tessellux::symbol::raster {

CellBits::CellBits(int cell_cols, int cell_rows)
    : stride_((static_cast<std::size_t>(cell_cols) + 7) / 8),
      bytes_(stride_ * 2 * static_cast<std::size_t>(cell_rows)) {}

void CellBits::Set(int i, int j, Mark mark, bool on) {
  std::uint8_t& byte = Row(j, mark)[i / 8];
  const auto bit = static_cast<std::uint8_t>(1U << (i % 8));
  byte = on ? static_cast<std::uint8_t>(byte | bit) : static_cast<std::uint8_t>(byte & ~bit);
}

namespace {

// Every cell of a row set to `pattern` (bit i % 8 for cell i), none past the last cell.
void FillRow(std::uint8_t* row, int cell_cols, std::uint8_t pattern) {
  const auto bytes = static_cast<std::size_t>(cell_cols + 7) / 8;
  std::memset(row, pattern, bytes);
  if (cell_cols % 8 != 0) row[bytes - 1] &= static_cast<std::uint8_t>((1U << (cell_cols % 8)) - 1);
}

// The frame ring (Layout::FrameBit). Along the top and bottom rows the
// pattern repeats every two cells, so cells 1..8 give the byte for the whole
// row; the corner cells and the side columns are set one by one.
void ComposeFrame(const Layout& layout, CellBits& cells) {
  const int n = layout.cell_cols(), m = layout.cell_rows();
  for (int j : {0, m - 1}) {
    for (Mark mark : {Mark::A, Mark::B}) {
      unsigned pattern = 0;
      for (int i = 1; i <= 8; ++i) pattern |= static_cast<unsigned>(layout.FrameBit(i, j, mark)) << (i % 8);
      FillRow(cells.Row(j, mark), n, static_cast<std::uint8_t>(pattern));
    }
  }
  for (int j = 0; j < m; ++j) {
    for (int i : {0, n - 1}) {
      cells.Set(i, j, Mark::A, layout.FrameBit(i, j, Mark::A));
      cells.Set(i, j, Mark::B, layout.FrameBit(i, j, Mark::B));
    }
  }
}

// Block row cy holds data bits 14 cy .. 14 cy + 13: (A, B) of its seven
// cells off the diagonal, in cell order, first bit most significant. The
// tables map the first 8 of those bits and the last 6 onto the row's eight
// cells, A in the low byte and B in the high byte (cell cx at bit cx).
struct RowTables {
  std::uint16_t first[8][256];
  std::uint16_t last[8][64];
  std::uint16_t reference[8];
};

constexpr std::uint16_t Spread(int cy, int value, int bits, int first_cell) {
  unsigned out = 0;
  for (int q = 0; q < bits / 2; ++q) {
    const int data_cell = first_cell + q, cx = data_cell < cy ? data_cell : data_cell + 1;  // skip the diagonal
    out |= ((static_cast<unsigned>(value) >> (bits - 1 - 2 * q)) & 1U) << cx;
    out |= ((static_cast<unsigned>(value) >> (bits - 2 - 2 * q)) & 1U) << (8 + cx);
  }
  return static_cast<std::uint16_t>(out);
}

constexpr RowTables MakeRowTables() {
  RowTables tables{};
  for (int cy = 0; cy < 8; ++cy) {
    for (int v = 0; v < 256; ++v) tables.first[cy][v] = Spread(cy, v, 8, 0);
    for (int v = 0; v < 64; ++v) tables.last[cy][v] = Spread(cy, v, 6, 4);
    static_assert(IsReferencePosition(3, 3) && !IsReferencePosition(3, 4));  // the diagonal, as skipped above
    tables.reference[cy] = static_cast<std::uint16_t>(static_cast<unsigned>(ReferenceBit(cy, cy, Mark::A)) << cy |
                                                      static_cast<unsigned>(ReferenceBit(cy, cy, Mark::B)) << (8 + cy));
  }
  return tables;
}

constexpr RowTables kRowTables = MakeRowTables();

// Bits 14 cy .. 14 cy + 13 of a block's 14 bytes, first bit most significant.
unsigned RowBits(const std::uint8_t* bytes, int cy) {
  const int start = 14 * cy, at = start / 8, shift = start % 8;
  unsigned window = static_cast<unsigned>(bytes[at]) << 16 | static_cast<unsigned>(bytes[at + 1]) << 8;
  if (at + 2 < kBytesPerBlock) window |= bytes[at + 2];
  return (window >> (10 - shift)) & 0x3FFFU;
}

// Row cy of every block of block row br. Block bc's cells start at cell
// 1 + 8 bc: bits 1..7 of byte bc and bit 0 of byte bc + 1.
void ComposeBlockRow(const Layout& layout, int br, int cy, const std::uint8_t* codewords, CellBits& cells) {
  const int j = 1 + 8 * br + cy;
  std::uint8_t* row_a = cells.Row(j, Mark::A);
  std::uint8_t* row_b = cells.Row(j, Mark::B);
  const std::uint8_t* block = codewords + static_cast<std::size_t>(br) * layout.cols * kBytesPerBlock;
  unsigned carry_a = 0, carry_b = 0;  // frame cell 0 is set later
  for (int bc = 0; bc < layout.cols; ++bc, block += kBytesPerBlock) {
    const unsigned bits = RowBits(block, cy);
    const unsigned marks =
        kRowTables.first[cy][bits >> 6] | kRowTables.last[cy][bits & 0x3FU] | kRowTables.reference[cy];
    const unsigned a = (marks & 0xFFU) << 1, b = (marks >> 8) << 1;
    row_a[bc] = static_cast<std::uint8_t>(carry_a | (a & 0xFFU));
    row_b[bc] = static_cast<std::uint8_t>(carry_b | (b & 0xFFU));
    carry_a = a >> 8;
    carry_b = b >> 8;
  }
  row_a[layout.cols] = static_cast<std::uint8_t>(carry_a);
  row_b[layout.cols] = static_cast<std::uint8_t>(carry_b);
}

}  // namespace

CellBits ComposeCells(const Layout& layout, const Bytes& codewords) {
  CellBits cells(layout.cell_cols(), layout.cell_rows());
  for (int br = 0; br < layout.rows; ++br)
    for (int cy = 0; cy < 8; ++cy) ComposeBlockRow(layout, br, cy, codewords.data(), cells);
  ComposeFrame(layout, cells);
  return cells;
}

}  // namespace tessellux::symbol::raster
