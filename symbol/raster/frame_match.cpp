#include "symbol/raster/frame_match.h"

#include <algorithm>

namespace tessellux::symbol::raster {

namespace {

// Noise a frame may carry and still count: one black pixel in 5 missing,
// one white pixel in 20 blackened.
constexpr long long kMaxMissedBlack = 5;
constexpr long long kMaxWrongWhite = 20;

// Cells c (along one axis) whose mark span [c * g + lo, c * g + hi) holds p.
struct CellSpan {
  int first, last;
};
CellSpan CellsReaching(int p, int lo, int hi, int g, int count) {
  return {std::max(0, FloorDiv(p - hi, g) + 1), std::min(count - 1, FloorDiv(p - lo, g))};
}

bool InClosingLines(const Layout& layout, int x, int y) {
  return layout.style == Style::Lines &&
         (x >= layout.grid * layout.cell_cols() || y >= layout.grid * layout.cell_rows());
}

bool InFrameRing(const Layout& layout, int x, int y) {
  const int g = layout.grid;
  return x < g || y < g || x >= g * (layout.cell_cols() - 1) || y >= g * (layout.cell_rows() - 1);
}

}  // namespace

Cover FrameCover(const Layout& layout, int x, int y) {
  if (InClosingLines(layout, x, y)) return Cover::Black;
  bool unknown = false;
  for (Mark mark : {Mark::A, Mark::B}) {
    const Box s = layout.Shape(mark);
    const CellSpan is = CellsReaching(x, s.x0, s.x1, layout.grid, layout.cell_cols());
    const CellSpan js = CellsReaching(y, s.y0, s.y1, layout.grid, layout.cell_rows());
    for (int j = js.first; j <= js.last; ++j) {
      for (int i = is.first; i <= is.last; ++i) {
        if (!layout.IsFrameCell(i, j)) {
          unknown = true;
        } else if (layout.FrameBit(i, j, mark)) {
          return Cover::Black;
        }
      }
    }
  }
  return unknown ? Cover::Unknown : Cover::White;
}

std::vector<Layout> CandidateLayouts(int width, int height) {
  std::vector<Layout> found;
  for (Style style : {Style::Lines, Style::Dots}) {
    for (int t = 1; t <= 8; ++t) {
      const int e = style == Style::Lines ? t : 0;
      for (int g = 3; g <= 128; ++g) {
        const int w = width - e, h = height - e;
        if (w <= 0 || h <= 0 || w % g != 0 || h % g != 0) continue;
        const int n = w / g, m = h / g;
        if (n < 10 || m < 10 || (n - 2) % 8 != 0 || (m - 2) % 8 != 0) continue;
        const int cols = (n - 2) / 8, rows = (m - 2) / 8;
        if (cols > 254 || rows > 254) continue;
        found.push_back(Layout{rows, cols, g, t, style});
      }
    }
  }
  return found;
}

namespace {

// Compares the frame's mark centres only: a few hundred pixels.
bool CentresAgree(const Layout& layout, const PictureView& view) {
  const int g = layout.grid, n = layout.cell_cols(), m = layout.cell_rows();
  int checked = 0, wrong = 0;
  auto check = [&](int i, int j) {
    for (Mark mark : {Mark::A, Mark::B}) {
      Box s = layout.Sample(mark);
      if (s.empty()) s = layout.Shape(mark);
      const int x = std::min(layout.width() - 1, i * g + (s.x0 + s.x1 - 1) / 2);
      const int y = std::min(layout.height() - 1, j * g + (s.y0 + s.y1 - 1) / 2);
      const Cover cover = FrameCover(layout, x, y);
      if (cover == Cover::Unknown) continue;
      ++checked;
      wrong += (cover == Cover::Black) != view.black(x, y);
    }
  };
  for (int i = 0; i < n; ++i) {
    check(i, 0);
    check(i, m - 1);
  }
  for (int j = 1; j < m - 1; ++j) {
    check(0, j);
    check(n - 1, j);
  }
  return checked > 0 && wrong * 4 <= checked;
}

}  // namespace

std::optional<double> FrameMismatch(const Layout& layout, const PictureView& view) {
  if (!CentresAgree(layout, view)) return std::nullopt;
  const int width = layout.width(), height = layout.height();
  const int g = layout.grid, right = g * (layout.cell_cols() - 1);
  long long black = 0, white = 0, black_missed = 0, white_wrong = 0;
  auto compare = [&](int x, int y) {
    const Cover cover = FrameCover(layout, x, y);
    if (cover == Cover::Black) {
      ++black;
      black_missed += !view.black(x, y);
    } else if (cover == Cover::White) {
      ++white;
      white_wrong += view.black(x, y);
    }
  };
  for (int y = 0; y < height; ++y) {
    const bool whole_row = InFrameRing(layout, g, y);  // top or bottom band
    // Between the bands only the left and right columns of cells.
    for (int x = 0; x < width; x = (whole_row || x + 1 != g) ? x + 1 : right) compare(x, y);
  }
  if (black == 0 || black_missed * kMaxMissedBlack > black || white_wrong * kMaxWrongWhite > white) {
    return std::nullopt;
  }
  return static_cast<double>(black_missed + white_wrong) / static_cast<double>(black);
}

}  // namespace tessellux::symbol::raster
