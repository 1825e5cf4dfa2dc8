#include "symbol/paper/lattice_fit.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <initializer_list>

#include <opencv2/imgproc.hpp>

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

// Cells are square on paper and scanners keep them nearly so: a shape whose
// cell counts disagree with the outline's sides by more than this (a steep
// perspective included) is not tried.
constexpr double kMaxCellAspect = 1.35;

// `aspect`: the outline's length along its first pair of sides over the second.
std::vector<LatticeShape> Shapes(const PeriodCounts& counts, bool swap, double aspect) {
  std::vector<LatticeShape> shapes;
  const std::set<int> cols = BlockCountsFrom(swap ? counts.along_second : counts.along_first);
  const std::set<int> rows = BlockCountsFrom(swap ? counts.along_first : counts.along_second);
  for (int c : cols) {
    for (int r : rows) {
      const double cells = (8.0 * c + 2) / (8.0 * r + 2), sides = swap ? 1 / aspect : aspect;
      if (cells > sides * kMaxCellAspect || sides > cells * kMaxCellAspect) continue;
      shapes.push_back({Style::Lines, c, r, 0.5});
      for (double eta : kEtas) shapes.push_back({Style::Dots, c, r, eta});
    }
  }
  return shapes;
}

// Every shape in every lie, scored where the quadrilateral puts it.
void RoughFitsAt(const GreyImage& image, const FoundQuad& quad, std::vector<Candidate>& out) {
  const PeriodCounts counts = CountPeriods(image, quad.corners);
  const auto& q = quad.corners;
  const double first = std::hypot(q[1].x - q[0].x, q[1].y - q[0].y) + std::hypot(q[2].x - q[3].x, q[2].y - q[3].y);
  const double second = std::hypot(q[2].x - q[1].x, q[2].y - q[1].y) + std::hypot(q[3].x - q[0].x, q[3].y - q[0].y);
  const double aspect = first / std::max(1e-9, second);
  for (bool swap : {false, true}) {
    for (const LatticeShape& shape : Shapes(counts, swap, aspect)) {
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

constexpr int kRefined = 12;

// A crop round the quadrilateral (two cells of margin), blurred by about a
// third of a cell, and where it sits in the picture.
struct Region {
  GreyImage image;
  int x = 0, y = 0;
};

Region BlurredRegion(const GreyImage& image, const FoundQuad& quad) {
  double x0 = quad.corners[0].x, x1 = x0, y0 = quad.corners[0].y, y1 = y0;
  for (const auto& p : quad.corners) x0 = std::min(x0, p.x), x1 = std::max(x1, p.x), y0 = std::min(y0, p.y), y1 = std::max(y1, p.y);
  const PeriodCounts counts = CountPeriods(image, quad.corners);
  const double periods = counts.along_first.empty() ? 20 : counts.along_first.front();
  const double cell = std::max(2.0, std::hypot(x1 - x0, y1 - y0) / std::sqrt(2.0) / periods);
  const int margin = static_cast<int>(2 * cell) + 2;
  Region r;
  r.x = std::max(0, static_cast<int>(x0) - margin);
  r.y = std::max(0, static_cast<int>(y0) - margin);
  const int right = std::min(image.width, static_cast<int>(x1) + margin + 1);
  const int bottom = std::min(image.height, static_cast<int>(y1) + margin + 1);
  const cv::Mat whole(image.height, image.width, CV_8U, const_cast<std::uint8_t*>(image.pixels.data()));
  cv::Mat blurred;
  cv::GaussianBlur(whole(cv::Rect(r.x, r.y, right - r.x, bottom - r.y)), blurred, cv::Size(), cell / 3);
  r.image = GreyImage{blurred.cols, blurred.rows, std::vector<std::uint8_t>(blurred.total())};
  for (int y = 0; y < blurred.rows; ++y)
    std::copy_n(blurred.ptr<std::uint8_t>(y), blurred.cols, r.image.pixels.data() + static_cast<std::size_t>(y) * blurred.cols);
  return r;
}

// The same map followed by a move of (dx, dy) pixels.
Homography Shifted(const Homography& h, double dx, double dy) {
  Homography out = h;
  for (int k = 0; k < 3; ++k) out.m[k] += dx * h.m[6 + k], out.m[3 + k] += dy * h.m[6 + k];
  return out;
}

// Same shape, turned and mirrored the same way (the map's corners agree to a cell).
bool SameLie(const LatticeFit& a, const LatticeFit& b) {
  if (a.shape.style != b.shape.style || a.shape.cols != b.shape.cols || a.shape.rows != b.shape.rows ||
      a.shape.eta != b.shape.eta || a.mirrored != b.mirrored)
    return false;
  const PointF p = a.map.Map({0, 0}), q = b.map.Map({0, 0});
  const PointF u = a.map.Map({1, 0});
  return std::hypot(p.x - q.x, p.y - q.y) < 2 * std::hypot(p.x - u.x, p.y - u.y);
}

double CellPixels(const LatticeFit& fit) {
  const PointF a = fit.map.Map(fit.shape.Corner(0)), b = fit.map.Map(fit.shape.Corner(1));
  const PointF c = fit.map.Map(fit.shape.Corner(3));
  return 0.5 * (std::hypot(a.x - b.x, a.y - b.y) / fit.shape.Corner(1).x +
                std::hypot(a.x - c.x, a.y - c.y) / fit.shape.Corner(3).y);
}

// Coordinate descent on the image positions of the four lattice corners,
// in steps from half a cell down to a sixtieth.
void Refine(const GreyImage& image, Candidate& c, std::initializer_list<double> steps) {
  LatticeFit& fit = c.fit;
  Quad lattice, at;
  for (int k = 0; k < 4; ++k) lattice[k] = fit.shape.Corner(k), at[k] = fit.map.Map(lattice[k]);
  const double cell = CellPixels(fit);
  double best = Agreement(image, fit.map, c.anchors);
  for (double step : steps) {
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

std::vector<LatticeFit> FitLattice(const GreyImage& image, const FoundQuad& quad, int max_fits, bool blurred,
                                   bool hasty) {
  // A blurred copy of the region for the second try: a small dot is found
  // only within a pixel of its centre, a blurred one from a cell away.
  // (The sharp try searches the picture itself, never a copy of it.)
  const Region region = blurred ? BlurredRegion(image, quad) : Region{};
  const GreyImage& searched = blurred ? region.image : image;
  FoundQuad local = quad;
  for (auto& p : local.corners) p = {p.x - region.x, p.y - region.y};
  // The rough scores only rank: corners from a reduced copy can be a cell
  // out. The best few of each shape and lie are refined.
  std::vector<Candidate> rough;
  for (Candidate& c : RoughFits(searched, local)) {
    if (rough.size() >= static_cast<std::size_t>(kRefined)) break;
    const bool seen = std::any_of(rough.begin(), rough.end(), [&](const Candidate& r) { return SameLie(r.fit, c.fit); });
    if (!seen) rough.push_back(std::move(c));
  }
  std::vector<LatticeFit> out;
  for (Candidate& c : rough) {
    c.anchors = KnownPoints(c.fit.shape, 256);
    if (blurred) {
      Refine(region.image, c, {0.5, 0.25, 0.12, 0.06});
      c.fit.map = Shifted(c.fit.map, region.x, region.y);
      Refine(image, c, {0.06, 0.03, 0.015});
    } else {
      Refine(image, c, {0.5, 0.25, 0.12, 0.06, 0.03, 0.015});
    }
    if (c.fit.agreement >= kMinAgreement) out.push_back(c.fit);
    if (hasty && c.fit.agreement >= kConfidentAgreement) break;
  }
  std::sort(out.begin(), out.end(), [](const LatticeFit& a, const LatticeFit& b) { return a.agreement > b.agreement; });
  if (out.size() > static_cast<std::size_t>(max_fits)) out.resize(static_cast<std::size_t>(max_fits));
  return out;
}

}  // namespace tessellux::symbol::paper
