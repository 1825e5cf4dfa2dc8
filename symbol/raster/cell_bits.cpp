#include "symbol/raster/cell_bits.h"

#include <array>
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

// The frame ring: A on the top and bottom rows, B on the side columns,
// ticks even at top and left, odd at bottom and right.
void ComposeFrame(const Layout& layout, CellBits& cells) {
  const int n = layout.cell_cols(), m = layout.cell_rows();
  FillRow(cells.Row(0, Mark::A), n, 0xFF);
  FillRow(cells.Row(m - 1, Mark::A), n, 0xFF);
  FillRow(cells.Row(0, Mark::B), n, 0x55);      // even cells
  FillRow(cells.Row(m - 1, Mark::B), n, 0xAA);  // odd cells
  cells.Set(0, m - 1, Mark::B, true);
  cells.Set(n - 1, 0, Mark::B, true);
  cells.Set(n - 1, m - 1, Mark::B, true);
  for (int j = 1; j < m - 1; ++j) {
    cells.Set(0, j, Mark::A, j % 2 == 0);
    cells.Set(n - 1, j, Mark::A, j % 2 == 1);
    cells.Set(0, j, Mark::B, true);
    cells.Set(n - 1, j, Mark::B, true);
  }
}

// Eight data bits taken as four (A, B) pairs, first pair most significant,
// split into four A bits and four B bits (first pair lowest): low and high nibble.
constexpr std::array<std::uint8_t, 256> MakePairSplit() {
  std::array<std::uint8_t, 256> table{};
  for (int v = 0; v < 256; ++v) {
    int out = 0;
    for (int q = 0; q < 4; ++q) {
      out |= ((v >> (7 - 2 * q)) & 1) << q;
      out |= ((v >> (6 - 2 * q)) & 1) << (4 + q);
    }
    table[static_cast<std::size_t>(v)] = static_cast<std::uint8_t>(out);
  }
  return table;
}

constexpr auto kPairSplit = MakePairSplit();

// The seven data cells of a block row with the diagonal cell inserted at cx = cy.
unsigned WithDiagonal(unsigned seven, int cy, bool diagonal) {
  const unsigned low = seven & ((1U << cy) - 1);
  return low | (static_cast<unsigned>(diagonal) << cy) | ((seven >> cy) << (cy + 1));
}

void OrInto(std::uint8_t* row, int byte, unsigned cells16) {
  row[byte] |= static_cast<std::uint8_t>(cells16);
  row[byte + 1] |= static_cast<std::uint8_t>(cells16 >> 8);
}

// One block: row cy of its 8 x 8 cells takes data bits 14 cy .. 14 cy + 13
// (A, B of the seven cells off the diagonal) and the diagonal's reference
// marks. The block's cells start at cell 1 + 8 bc: bit 1 of byte bc.
void ComposeBlock(const Layout& layout, int b, const std::uint8_t* bytes, CellBits& cells) {
  std::array<std::uint8_t, kBytesPerBlock + 2> padded{};
  std::memcpy(padded.data(), bytes, kBytesPerBlock);
  const int bc = b % layout.cols, j0 = 1 + 8 * (b / layout.cols);
  for (int cy = 0; cy < 8; ++cy) {
    const int start = 14 * cy, at = start / 8;
    const unsigned window = static_cast<unsigned>(padded[at]) << 16 | static_cast<unsigned>(padded[at + 1]) << 8 |
                            padded[at + 2];
    const unsigned bits = (window >> (10 - start % 8)) & 0x3FFFU;  // first data bit most significant
    const unsigned first = kPairSplit[bits >> 6], rest = kPairSplit[(bits << 2) & 0xFFU];
    const unsigned a = (first & 0xFU) | (rest & 0xFU) << 4, b_marks = first >> 4 | (rest >> 4) << 4;
    const unsigned row_a = WithDiagonal(a, cy, ReferenceBit(cy, cy, Mark::A));
    const unsigned row_b = WithDiagonal(b_marks, cy, ReferenceBit(cy, cy, Mark::B));
    OrInto(cells.Row(j0 + cy, Mark::A), bc, row_a << 1);
    OrInto(cells.Row(j0 + cy, Mark::B), bc, row_b << 1);
  }
}

}  // namespace

CellBits ComposeCells(const Layout& layout, const Bytes& codewords) {
  CellBits cells(layout.cell_cols(), layout.cell_rows());
  const int blocks = layout.rows * layout.cols;
  for (int b = 0; b < blocks; ++b) {
    ComposeBlock(layout, b, codewords.data() + static_cast<std::size_t>(b) * kBytesPerBlock, cells);
  }
  ComposeFrame(layout, cells);
  return cells;
}

}  // namespace tessellux::symbol::raster
