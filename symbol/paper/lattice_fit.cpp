#include "symbol/paper/lattice_fit.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <cstdio>
#include <cstdlib>

#include "symbol/paper/grey_view.h"
#include "symbol/paper/grid_count.h"

namespace tessellux::symbol::paper {

namespace {

constexpr double kGuessThickness = 0.25;  // line or dot size per cell assumed before refining
constexpr double kMinAgreement = 0.3;     // below this a fit is taken for no symbol
constexpr double kEtas[] = {0.5, 3.0 / 7.0, 0.4, 1.0 / 3.0};  // floor(g/2)/g for even g, 7, 5 and 3

// Block counts whose cell count 8c + 2 (plus the ink's overhang) comes
// near `periods`.
void BlockCounts(double periods, std::set<int>& out) {
  const double c = (periods - 2.2) / 8;
  for (double shift : {-0.2, 0.2}) {
    const int k = static_cast<int>(std::floor(c + 0.5 + shift));
    if (k >= 1 && k <= 254) out.insert(k);
  }
}

std::set<int> BlockCountsFrom(const std::vector<double>& frequencies) {
  std::set<int> out;
  for (double f : frequencies)
    for (double periods : {f / 2, f, 2 * f}) BlockCounts(periods, out);
  return out;
}

// The quadrilateral's corner that lattice corner k lands on, for a page
// turned `turn` quarter turns and possibly mirrored.
int ImageCorner(int k, int turn, bool mirrored) { return mirrored ? (turn - k + 8) % 4 : (turn + k) % 4; }

// The box around the ink as binarising sees it, in lattice units.
Quad InkBox(const LatticeShape& shape) {
  const double h = kGuessThickness / 2;
  Quad box;
  for (int k = 0; k < 4; ++k) {
    const PointF c = shape.Corner(k);
    box[k] = {c.x + (c.x > 0 ? h : -h), c.y + (c.y > 0 ? h : -h)};
  }
  return box;
}

struct Candidate {
  LatticeFit fit;
  std::vector<Anchor> anchors;
};

std::vector<LatticeShape> Shapes(const PeriodCounts& counts, bool swap) {
  std::vector<LatticeShape> shapes;
  const std::set<int> cols = BlockCountsFrom(swap ? counts.along_second : counts.along_first);
  const std::set<int> rows = BlockCountsFrom(swap ? counts.along_first : counts.along_second);
  for (int c : cols) {
    for (int r : rows) {
      shapes.push_back({Style::Lines, c, r, 0.5});
      for (double eta : kEtas) shapes.push_back({Style::Dots, c, r, eta});
    }
  }
  return shapes;
}

// Every shape in every lie, scored where the quadrilateral puts it.
void RoughFitsAt(const GreyImage& image, const FoundQuad& quad, std::vector<Candidate>& out) {
  const PeriodCounts counts = CountPeriods(image, quad.corners);
  if (getenv("PDEBUG")) {
    fprintf(stderr, "quad area %.0f corners", quad.area);
    for (auto& p : quad.corners) fprintf(stderr, " (%.1f,%.1f)", p.x, p.y);
    fprintf(stderr, "\n first:");
    for (double f : counts.along_first) fprintf(stderr, " %.2f", f);
    fprintf(stderr, " second:");
    for (double f : counts.along_second) fprintf(stderr, " %.2f", f);
    fprintf(stderr, "\n");
  }
  for (bool swap : {false, true}) {
    for (const LatticeShape& shape : Shapes(counts, swap)) {
      const std::vector<Anchor> anchors = KnownPoints(shape, 64);
      const Quad box = InkBox(shape);
      for (bool mirrored : {false, true}) {
        for (int turn = 0; turn < 4; ++turn) {
          // Lattice x runs along corner 0 -> 1 of the quadrilateral when not swapped.
          if (((turn % 2 == 1) != mirrored) != swap) continue;
          Quad to;
          for (int k = 0; k < 4; ++k) to[k] = quad.corners[ImageCorner(k, turn, mirrored)];
          const auto map = HomographyBetween(box, to);
          if (!map) continue;
          const double agreement = Agreement(image, *map, anchors);
          if (getenv("PDEBUG2")) fprintf(stderr, "   rough %s %dx%d eta %.2f turn %d mir %d: %.3f\n", shape.style == Style::Lines ? "L" : "D", shape.cols, shape.rows, shape.eta, turn, mirrored, agreement);
          if (agreement > kMinAgreement / 2) out.push_back({{shape, *map, mirrored, agreement}, {}});
        }
      }
    }
  }
}

// The quadrilateral drawn in by `inset` pixels at every corner.
Quad Shrunk(const Quad& q, double inset) {
  const PointF c{(q[0].x + q[1].x + q[2].x + q[3].x) / 4, (q[0].y + q[1].y + q[2].y + q[3].y) / 4};
  Quad out = q;
  for (auto& p : out) {
    const double d = std::hypot(p.x - c.x, p.y - c.y);
    if (d > 4 * inset) p = {p.x + (c.x - p.x) * inset * std::sqrt(2.0) / d, p.y + (c.y - p.y) * inset * std::sqrt(2.0) / d};
  }
  return out;
}

// An outline found on a reduced copy is also tried drawn in by its slack.
std::vector<Candidate> RoughFits(const GreyImage& image, const FoundQuad& found) {
  std::vector<Candidate> out;
  for (double inset : {0.0, 0.5, 1.0}) {
    if (inset > 0 && found.slack == 0) break;
    FoundQuad quad = found;
    quad.corners = Shrunk(found.corners, inset * found.slack);
    RoughFitsAt(image, quad, out);
  }
  std::sort(out.begin(), out.end(),
            [](const Candidate& a, const Candidate& b) { return a.fit.agreement > b.fit.agreement; });
  return out;
}

double CellPixels(const LatticeFit& fit) {
  const PointF a = fit.map.Map(fit.shape.Corner(0)), b = fit.map.Map(fit.shape.Corner(1));
  const PointF c = fit.map.Map(fit.shape.Corner(3));
  return 0.5 * (std::hypot(a.x - b.x, a.y - b.y) / fit.shape.Corner(1).x +
                std::hypot(a.x - c.x, a.y - c.y) / fit.shape.Corner(3).y);
}

// Coordinate descent on the image positions of the four lattice corners,
// in steps from a third of a cell down to a sixtieth.
void Refine(const GreyImage& image, Candidate& c) {
  LatticeFit& fit = c.fit;
  Quad lattice, at;
  for (int k = 0; k < 4; ++k) lattice[k] = fit.shape.Corner(k), at[k] = fit.map.Map(lattice[k]);
  const double cell = CellPixels(fit);
  double best = Agreement(image, fit.map, c.anchors);
  for (double step : {0.3, 0.15, 0.08, 0.04, 0.02}) {
    for (int round = 0; round < 4; ++round) {
      bool moved = false;
      for (int coord = 0; coord < 8; ++coord) {
        for (double sign : {1.0, -1.0}) {
          Quad trial = at;
          (coord % 2 == 0 ? trial[coord / 2].x : trial[coord / 2].y) += sign * step * cell;
          const auto map = HomographyBetween(lattice, trial);
          if (!map) continue;
          const double score = Agreement(image, *map, c.anchors);
          if (score > best) best = score, at = trial, fit.map = *map, moved = true;
        }
      }
      if (!moved) break;
    }
  }
  fit.agreement = best;
}

}  // namespace

double Agreement(const GreyImage& image, const Homography& map, const std::vector<Anchor>& anchors) {
  double n = 0, sx = 0, sxx = 0, sy = 0, sxy = 0;
  for (const Anchor& a : anchors) {
    const double v = SampleGrey(image, map.Map(a.at)), e = a.ink ? 0.0 : 1.0;
    n += 1, sx += v, sxx += v * v, sy += e, sxy += v * e;
  }
  const double vx = sxx - sx * sx / n, vy = sy - sy * sy / n, cov = sxy - sx * sy / n;
  if (n < 2 || vx <= 1e-9 || vy <= 1e-9) return 0;
  return cov / std::sqrt(vx * vy);
}

std::vector<LatticeFit> FitLattice(const GreyImage& image, const FoundQuad& quad, int max_fits) {
  std::vector<Candidate> rough = RoughFits(image, quad);
  if (rough.size() > static_cast<std::size_t>(max_fits) + 2) rough.resize(static_cast<std::size_t>(max_fits) + 2);
  std::vector<LatticeFit> out;
  for (Candidate& c : rough) {
    c.anchors = KnownPoints(c.fit.shape, 256);
    Refine(image, c);
    if (getenv("PDEBUG")) fprintf(stderr, "  fit %s %dx%d eta %.2f mir %d rough %.3f refined %.3f\n", c.fit.shape.style == Style::Lines ? "L" : "D", c.fit.shape.cols, c.fit.shape.rows, c.fit.shape.eta, c.fit.mirrored, 0.0, c.fit.agreement);
    if (c.fit.agreement >= kMinAgreement) out.push_back(c.fit);
  }
  std::sort(out.begin(), out.end(), [](const LatticeFit& a, const LatticeFit& b) { return a.agreement > b.agreement; });
  if (out.size() > static_cast<std::size_t>(max_fits)) out.resize(static_cast<std::size_t>(max_fits));
  return out;
}

}  // namespace tessellux::symbol::paper
