#pragma once

// Renders one image row from the cell description. Eight cells of one cell
// row take g bytes of pixels exactly (8 * g bits), so each byte of a cell
// plane maps through a 256-entry table of ready-made pixel patterns onto a
// byte-aligned stretch of the row. All the cell rows whose marks reach the
// row are combined stretch by stretch in registers and each stretch is
// stored once: O(cells / 8 * g / 8) word operations per row.
//
// Rows that cross the same cell rows' marks are identical (g - t of every g
// rows for Lines), so the last row rendered is kept and copied when the next
// row asked for has the same marks: a picture sent row by row costs about two
// renders per cell row.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "symbol/raster/cell_bits.h"
#include "symbol/raster/layout.h"

namespace tessellux::symbol::raster {

class RowRenderer {
 public:
  explicit RowRenderer(const Layout& layout);

  // Row y (0 = top): 1 bit per pixel, MSB first, 1 = white; row_bytes bytes
  // (at least the width), bits and bytes past the width zero. Safe to call
  // from several threads.
  void Render(const CellBits& cells, int y, std::uint8_t* out, std::size_t row_bytes) const;

 private:
  // What decides a row's pixels: the cell rows whose A and B marks reach it
  // (empty ranges as 0, -1) and whether it lies on the bottom closing line.
  struct RowKey {
    int a_first = 0, a_last = -1, b_first = 0, b_last = -1;
    bool bottom = false;
    bool operator==(const RowKey&) const = default;
  };
  struct LastRow {
    std::atomic<bool> busy{false};  // a thread is using it; others render on their own
    bool valid = false;
    RowKey key;
    std::vector<std::uint8_t> pixels;
  };
  RowKey KeyOf(int y) const;
  void Draw(const CellBits& cells, const RowKey& key, std::uint8_t* out, std::size_t row_bytes) const;

  // The pixels (1 = black) that the set cells of one plane byte cover,
  // relative to the first cell's left edge: `words_` 64-bit words per entry.
  std::vector<std::uint64_t> MakePatterns(Mark mark) const;

  Layout layout_;
  std::size_t words_;  // per pattern: g + 1 bytes rounded up to words
  std::vector<std::uint64_t> patterns_[2];  // A, B: 256 entries each
  // For y % g: the cell rows reaching y, as offsets from y / g (A first, last; B first, last).
  std::vector<std::array<int, 4>> reach_;
  std::unique_ptr<LastRow> last_ = std::make_unique<LastRow>();
};

// Clears bits [x0, x1) of a packed row (paints them black).
void ClearRun(std::uint8_t* row, int x0, int x1);

}  // namespace tessellux::symbol::raster
