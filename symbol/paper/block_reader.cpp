#include "symbol/paper/block_reader.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "symbol/paper/grey_view.h"
#include "symbol/raster/cell_bits.h"

namespace tessellux::symbol::paper {

namespace {

using raster::Mark;

// How far a block may move from the place its neighbours suggest, in cells,
// and how much better a move must agree to be taken.
constexpr double kSearch = 0.3;
constexpr double kMinGain = 0.02;

struct Shift {
  double x = 0, y = 0;
};

class BlockGeometry {
 public:
  BlockGeometry(const GreyImage& image, const LatticeFit& fit) : image_(image), fit_(fit) {}

  double Grey(PointF lattice, Shift s) const {
    const PointF p = fit_.map.Map(lattice);
    return SampleGrey(image_, {p.x + s.x, p.y + s.y});
  }
  // A Lines segment is averaged over its middle, a dot taken at its centre.
  double MarkGrey(int i, int j, Mark mark, Shift s) const {
    const PointF c = MarkPoint(fit_.shape, i, j, mark);
    if (fit_.shape.style == Style::Dots) return Grey(c, s);
    const PointF d = mark == Mark::A ? PointF{0.2, 0} : PointF{0, 0.2};
    return (Grey({c.x - d.x, c.y - d.y}, s) + Grey(c, s) + Grey({c.x + d.x, c.y + d.y}, s)) / 3;
  }
  double Agreement(const std::vector<Anchor>& anchors, Shift s) const {
    double n = 0, sx = 0, sxx = 0, sy = 0, sxy = 0;
    for (const Anchor& a : anchors) {
      const double v = Grey(a.at, s), e = a.ink ? 0.0 : 1.0;
      n += 1, sx += v, sxx += v * v, sy += e, sxy += v * e;
    }
    const double vx = sxx - sx * sx / n, vy = sy - sy * sy / n;
    return vx <= 1e-9 || vy <= 1e-9 ? 0 : (sxy - sx * sy / n) / std::sqrt(vx * vy);
  }
  double CellPixels(int b) const {
    const int i0 = 1 + 8 * (b % fit_.shape.cols), j0 = 1 + 8 * (b / fit_.shape.cols);
    const PointF a = fit_.map.Map({i0 + 0.0, j0 + 0.0}), c = fit_.map.Map({i0 + 8.0, j0 + 8.0});
    return std::hypot(a.x - c.x, a.y - c.y) / (8 * std::sqrt(2.0));
  }
  const LatticeShape& shape() const { return fit_.shape; }

 private:
  const GreyImage& image_;
  const LatticeFit& fit_;
};

// The paper points of a block: one per cell, with its reference marks.
std::vector<Anchor> BlockAnchors(const LatticeShape& shape, int b) {
  std::vector<Anchor> anchors;
  BlockReferencePoints(shape, b, anchors);
  const int i0 = 1 + 8 * (b % shape.cols), j0 = 1 + 8 * (b / shape.cols);
  for (int cy = 0; cy < 8; ++cy)
    for (int cx = 0; cx < 8; ++cx)
      if (cx != cy) anchors.push_back({PaperPoint(shape, i0 + cx, j0 + cy), false});
  return anchors;
}

// Best shift in a square around `start`, coarse then fine.
Shift PlaceBlock(const BlockGeometry& g, const std::vector<Anchor>& anchors, Shift start, double cell) {
  const double at_start = g.Agreement(anchors, start);
  Shift best = start;
  double best_score = at_start;
  for (double step : {kSearch / 3, kSearch / 12}) {
    const Shift centre = best;
    for (int dy = -3; dy <= 3; ++dy) {
      for (int dx = -3; dx <= 3; ++dx) {
        const Shift s{centre.x + dx * step * cell, centre.y + dy * step * cell};
        const double score = g.Agreement(anchors, s);
        if (score > best_score) best_score = score, best = s;
      }
    }
  }
  return best_score > at_start + kMinGain ? best : start;
}

struct Levels {
  double ink = 0, paper = 0;
  double threshold() const { return (ink + paper) / 2; }
};

// Ink from the block's set reference marks; paper from the cell centres
// (for the contrast) and from its clear reference marks (for the
// threshold): where ink spreads, a clear mark between inked neighbours is
// darker than a cell's centre, and marks are judged against marks.
struct BlockLevelSet {
  Levels marks;   // set and clear reference marks: the threshold
  Levels centres; // set reference marks and cell centres: the contrast
};

BlockLevelSet BlockLevels(const BlockGeometry& g, const std::vector<Anchor>& anchors, int i0, int j0, Shift s) {
  double ink = 0, clear = 0, paper = 0;
  int inks = 0, clears = 0, papers = 0;
  for (int k = 0; k < 8; ++k) {
    for (Mark mark : {Mark::A, Mark::B}) {
      const double grey = g.MarkGrey(i0 + k, j0 + k, mark, s);
      if (raster::ReferenceBit(k, k, mark)) ink += grey, ++inks;
      else clear += grey, ++clears;
    }
  }
  for (const Anchor& a : anchors) {
    if (a.ink) continue;
    paper += g.Grey(a.at, s);
    ++papers;
  }
  const Levels centres{ink / inks, paper / papers};
  return {clears > 0 ? Levels{centres.ink, clear / clears} : centres, centres};
}

void SampleBlock(const BlockGeometry& g, int b, Shift s, const Levels& levels, Sampled& out) {
  const LatticeShape& shape = g.shape();
  const int i0 = 1 + 8 * (b % shape.cols), j0 = 1 + 8 * (b / shape.cols);
  const double threshold = levels.threshold();
  int wrong = 0;
  for (int k = 0; k < 8; ++k)
    for (Mark mark : {Mark::A, Mark::B})
      wrong += (g.MarkGrey(i0 + k, j0 + k, mark, s) < threshold) != raster::ReferenceBit(k, k, mark);
  out.wrong_references[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(wrong);
  std::uint8_t* bytes = out.codewords.data() + static_cast<std::size_t>(b) * raster::kBytesPerBlock;
  for (int d = 0; d < raster::kBytesPerBlock * 8; ++d) {
    const raster::BlockPosition& p = raster::DataPosition(d);
    if (g.MarkGrey(i0 + p.cx, j0 + p.cy, p.mark, s) < threshold)
      bytes[d / 8] |= static_cast<std::uint8_t>(0x80U >> (d % 8));
  }
}

}  // namespace

BlockReading ReadBlocks(const GreyImage& image, const LatticeFit& fit) {
  const BlockGeometry g(image, fit);
  const LatticeShape& shape = fit.shape;
  const int blocks = shape.rows * shape.cols;
  BlockReading reading;
  Sampled& out = reading.sampled;
  out.rows = shape.rows;
  out.cols = shape.cols;
  out.style = shape.style;
  out.mirrored = fit.mirrored;
  out.codewords.assign(static_cast<std::size_t>(blocks) * raster::kBytesPerBlock, 0);
  out.wrong_references.assign(static_cast<std::size_t>(blocks), 0);
  std::vector<Shift> shifts(static_cast<std::size_t>(blocks));
  std::vector<double> contrasts;
  for (int b = 0; b < blocks; ++b) {
    const int bc = b % shape.cols, br = b / shape.cols;
    // Start where the blocks to the left and above went.
    Shift start;
    int known = 0;
    if (bc > 0) start.x += shifts[b - 1].x, start.y += shifts[b - 1].y, ++known;
    if (br > 0) start.x += shifts[b - shape.cols].x, start.y += shifts[b - shape.cols].y, ++known;
    if (known) start.x /= known, start.y /= known;
    const std::vector<Anchor> anchors = BlockAnchors(shape, b);
    const Shift s = PlaceBlock(g, anchors, start, g.CellPixels(b));
    shifts[static_cast<std::size_t>(b)] = s;
    const BlockLevelSet levels = BlockLevels(g, anchors, 1 + 8 * bc, 1 + 8 * br, s);
    const Levels& c = levels.centres;
    contrasts.push_back(c.paper > 0 ? (c.paper - c.ink) / c.paper : 0);
    SampleBlock(g, b, s, levels.marks, out);
  }
  std::nth_element(contrasts.begin(), contrasts.begin() + contrasts.size() / 2, contrasts.end());
  reading.contrast = std::clamp(contrasts[contrasts.size() / 2], 0.0, 1.0);
  return reading;
}

}  // namespace tessellux::symbol::paper
