// Quadrilaterals from the binarised page. The outer frame of a Lines symbol
// is one solid outline already; Dots (and symbols so small that their lines
// blur into grey) only become one region when the gaps between marks are
// closed, which is done on copies reduced 2, 4, 8 and 16 times.

#include "symbol/paper/quad_finder.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <array>
#include <cmath>

namespace tessellux::symbol::paper {

namespace {

constexpr int kMinSide = 20;  // pixels: 10 cells at 2 pixels each

cv::Mat View(const GreyImage& image) {
  return cv::Mat(image.height, image.width, CV_8U, const_cast<std::uint8_t*>(image.pixels.data()));
}

// The paper's brightness everywhere: the brightest values in windows larger
// than any ink stroke, smoothed, on a copy about 8 times smaller than the
// window. Returned as floats at that small size, with its scale.
struct Background {
  cv::Mat small;  // CV_32F
  double scale = 1;  // full-size pixels per small pixel
};

Background EstimateBackground(const cv::Mat& grey) {
  const int window = std::max(32, std::max(grey.cols, grey.rows) / 8);
  const double scale = std::max(1.0, window / 8.0);
  const cv::Size size(std::max(1, static_cast<int>(grey.cols / scale)), std::max(1, static_cast<int>(grey.rows / scale)));
  cv::Mat small;
  const int step = static_cast<int>(scale / 4);
  if (step >= 2) {
    // Means of whole squares first (OpenCV's fast path wants an exact
    // factor: the few pixels past the last square are left out), then the
    // rest of the way; a large page is averaged in one quick pass.
    cv::Mat mid;
    const cv::Rect whole(0, 0, grey.cols / step * step, grey.rows / step * step);
    cv::resize(grey(whole), mid, cv::Size(whole.width / step, whole.height / step), 0, 0, cv::INTER_AREA);
    cv::resize(mid, small, size, 0, 0, cv::INTER_AREA);
  } else {
    cv::resize(grey, small, size, 0, 0, cv::INTER_AREA);
  }
  cv::dilate(small, small, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(9, 9)));
  cv::blur(small, small, cv::Size(9, 9));
  Background bg;
  small.convertTo(bg.small, CV_32F);
  bg.scale = static_cast<double>(grey.cols) / small.cols;
  return bg;
}

// Full-size rows of the background, bilinear between the small pixels;
// where each column falls between them is worked out once.
class BackgroundRows {
 public:
  BackgroundRows(const Background& bg, int width) : bg_(bg), ax_(static_cast<std::size_t>(width)) {
    for (int x = 0; x < width; ++x) {
      const double sx = std::clamp((x + 0.5) / bg.scale - 0.5, 0.0, bg.small.cols - 1.0);
      const int x0 = static_cast<int>(sx);
      ax_[static_cast<std::size_t>(x)] = static_cast<float>(sx - x0);
      if (spans_.empty() || spans_.back().left != x0) spans_.push_back({x, x0, std::min(x0 + 1, bg.small.cols - 1)});
    }
    spans_.push_back({width, 0, 0});
  }
  // Row y from column `begin` to `end`, scaled by `factor`, into out[begin, end).
  void Row(int y, float factor, std::vector<float>& out, int begin = 0, int end = -1) const {
    const double sy = std::clamp((y + 0.5) / bg_.scale - 0.5, 0.0, bg_.small.rows - 1.0);
    const int y0 = static_cast<int>(sy), y1 = std::min(y0 + 1, bg_.small.rows - 1);
    const float ay = static_cast<float>(sy - y0);
    const float* r0 = bg_.small.ptr<float>(y0);
    const float* r1 = bg_.small.ptr<float>(y1);
    // The small row at this height first, then along it.
    column_.resize(static_cast<std::size_t>(bg_.small.cols));
    for (int i = 0; i < bg_.small.cols; ++i) column_[static_cast<std::size_t>(i)] = factor * (r0[i] + ay * (r1[i] - r0[i]));
    out.resize(ax_.size());
    if (end < 0) end = static_cast<int>(ax_.size());
    // Column by column of the small copy: a plain loop over each span.
    for (std::size_t k = 0; k + 1 < spans_.size(); ++k) {
      const int from = std::max(begin, spans_[k].x), to = std::min(end, spans_[k + 1].x);
      const float a = column_[static_cast<std::size_t>(spans_[k].left)];
      const float d = column_[static_cast<std::size_t>(spans_[k].right)] - a;
      for (int x = from; x < to; ++x) out[static_cast<std::size_t>(x)] = a + ax_[static_cast<std::size_t>(x)] * d;
    }
  }

 private:
  // Full-size columns from x on lie between small columns left and right.
  struct Span {
    int x, left, right;
  };
  const Background& bg_;
  std::vector<Span> spans_;
  std::vector<float> ax_;
  mutable std::vector<float> column_;
};

// The ratio below which the darkest few samples lie (a page of faint ink
// has no black at all); noise alone reaches about 1 - 4 sigma.
double DarkestInk(const std::array<double, 256>& histogram, double total) {
  const double few = std::max(4.0, total * 1e-4);
  double seen = 0;
  for (int i = 0; i < 256; ++i) {
    seen += histogram[static_cast<std::size_t>(i)];
    if (seen >= few) return i / 255.0;
  }
  return 1;
}

// Otsu's threshold on grey / background, over a sparse sample of pixels.
// 0 for the faint look at a page whose ink is not faint (no second look needed).
double RatioThreshold(const cv::Mat& grey, const BackgroundRows& bg, InkLevel level) {
  std::array<double, 256> histogram{};
  std::vector<float> row;
  const int step = std::max(1, std::min(grey.cols, grey.rows) / 512);
  for (int y = 0; y < grey.rows; y += step) {
    bg.Row(y, 1.0f, row);
    const std::uint8_t* g = grey.ptr<std::uint8_t>(y);
    for (int x = 0; x < grey.cols; x += step) {
      const double ratio = g[x] / std::max(1.0f, row[static_cast<std::size_t>(x)]);
      histogram[static_cast<std::size_t>(std::clamp(ratio * 255.0, 0.0, 255.0))] += 1;
    }
  }
  double total = 0, sum = 0;
  for (int i = 0; i < 256; ++i) total += histogram[i], sum += i * histogram[i];
  double best = 0, threshold = 128, w0 = 0, sum0 = 0;
  for (int i = 0; i < 256; ++i) {
    w0 += histogram[i];
    sum0 += i * histogram[i];
    const double w1 = total - w0;
    if (w0 == 0 || w1 == 0) continue;
    const double m0 = sum0 / w0, m1 = (sum - sum0) / w1, between = w0 * w1 * (m0 - m1) * (m0 - m1);
    if (between > best) best = between, threshold = i + 0.5;
  }
  // A page with hardly any ink has no second mode and Otsu splits the
  // paper's own noise: never closer to the paper than 0.85 of its
  // brightness. (At 3/4 a quarter-cell dot scanned one pixel across, which
  // keeps only part of its darkness, was lost: Dots at 4 pixels per cell
  // read 0 of 5, at 0.85 all 5.) Faint ink, though, never reaches that
  // far down: dots blurred by a quarter cell keep about 15 % of their
  // darkness. For the faint look the darkest ink on the page sets the
  // limit instead: halfway between it and the paper.
  const double usual = std::clamp(threshold / 255.0, 0.4, 0.85);
  if (level == InkLevel::Usual) return usual;
  const double faint = std::clamp(threshold / 255.0, 0.4, std::max(0.85, (1 + DarkestInk(histogram, total)) / 2));
  return faint > usual ? faint : 0;
}

// Ink told from paper: darker than `threshold` times the paper's brightness there.
class InkTest {
 public:
  InkTest(const cv::Mat& grey, InkLevel level)
      : grey_(grey), background_(EstimateBackground(grey)), rows_(background_, grey.cols),
        threshold_(static_cast<float>(RatioThreshold(grey, rows_, level))) {}

  bool usable() const { return threshold_ > 0; }

  // Full-size row y from column `begin` to `end`: out[x] 255 where ink, 0 paper.
  void Row(int y, std::vector<float>& scratch, std::uint8_t* out, int begin, int end) const {
    rows_.Row(y, threshold_, scratch, begin, end);
    const std::uint8_t* g = grey_.ptr<std::uint8_t>(y);
    for (int x = begin; x < end; ++x) out[x] = g[x] < scratch[static_cast<std::size_t>(x)] ? 255 : 0;
  }
  int cols() const { return grey_.cols; }
  int rows() const { return grey_.rows; }

 private:
  const cv::Mat& grey_;
  Background background_;
  BackgroundRows rows_;
  float threshold_;
};

// The binarised page reduced `factor` times each way: a pixel is ink when
// any pixel of its square is. Full-size ink never exists as a whole, so a
// large page costs a fraction of its size in memory.
cv::Mat PooledInk(const InkTest& ink, int factor) {
  cv::Mat pooled = cv::Mat::zeros(ink.rows() / factor, ink.cols() / factor, CV_8U);
  std::vector<float> scratch;
  std::vector<std::uint8_t> row(static_cast<std::size_t>(ink.cols()));
  for (int y = 0; y < pooled.rows * factor; ++y) {
    std::uint8_t* out = pooled.ptr<std::uint8_t>(y / factor);
    if (factor == 1) {
      ink.Row(y, scratch, out, 0, ink.cols());
      continue;
    }
    ink.Row(y, scratch, row.data(), 0, pooled.cols * factor);
    const std::uint8_t* in = row.data();
    for (int x = 0; x < pooled.cols; ++x, in += factor)
      for (int k = 0; k < factor; ++k) out[x] |= in[k];
  }
  return pooled;
}

Quad Clockwise(std::vector<cv::Point2f> p, double scale) {
  const cv::Point2f c = (p[0] + p[1] + p[2] + p[3]) * 0.25f;
  std::sort(p.begin(), p.end(), [&](const cv::Point2f& a, const cv::Point2f& b) {
    return std::atan2(a.y - c.y, a.x - c.x) < std::atan2(b.y - c.y, b.x - c.x);
  });
  // atan2 with y down grows clockwise on screen; start at the top-most-left.
  std::size_t first = 0;
  for (std::size_t k = 1; k < 4; ++k)
    if (p[k].x + p[k].y < p[first].x + p[first].y) first = k;
  Quad q;
  for (std::size_t k = 0; k < 4; ++k) {
    const cv::Point2f& v = p[(first + k) % 4];
    q[k] = {(v.x + 0.5) * scale, (v.y + 0.5) * scale};  // pixel centres
  }
  return q;
}

// A four-sided outline that is convex with no sliver angles.
bool Suitable(const std::vector<cv::Point>& poly) {
  if (poly.size() != 4 || !cv::isContourConvex(poly)) return false;
  for (int k = 0; k < 4; ++k) {
    const cv::Point a = poly[k], b = poly[(k + 1) % 4], c = poly[(k + 2) % 4];
    const cv::Point2d u = a - b, v = c - b;
    const double cosine = u.dot(v) / (std::hypot(u.x, u.y) * std::hypot(v.x, v.y) + 1e-9);
    if (std::fabs(cosine) > 0.7) return false;  // between about 45 and 135 degrees
    if (std::hypot(u.x, u.y) < kMinSide) return false;
  }
  return true;
}

void CollectQuads(const cv::Mat& ink, double scale, bool joined, std::vector<FoundQuad>& out) {
  std::vector<std::vector<cv::Point>> contours;
  std::vector<cv::Vec4i> hierarchy;
  cv::findContours(ink, contours, hierarchy, cv::RETR_CCOMP, cv::CHAIN_APPROX_SIMPLE);
  const double min_side = kMinSide / scale;
  for (std::size_t k = 0; k < contours.size(); ++k) {
    if (hierarchy[k][3] >= 0) continue;  // a hole, not an outline
    const cv::Rect box = cv::boundingRect(contours[k]);
    if (box.width < min_side || box.height < min_side) continue;
    std::vector<cv::Point> hull, poly;
    cv::convexHull(contours[k], hull);
    const double perimeter = cv::arcLength(hull, true);
    cv::approxPolyDP(hull, poly, 0.03 * perimeter, true);
    if (!Suitable(poly)) continue;
    const double area = cv::contourArea(poly);
    if (cv::contourArea(contours[k]) < 0.6 * area) continue;  // a ring or a scatter, not a filled outline
    std::vector<cv::Point2f> corners(poly.begin(), poly.end());
    out.push_back({Clockwise(corners, scale), area * scale * scale, scale > 1 ? scale : 0, joined});
  }
}

// The same region seen in two passes: every corner within 5 % of its size.
bool SameQuad(const FoundQuad& a, const FoundQuad& b) {
  const double tolerance = 0.05 * std::sqrt(std::max(a.area, b.area));
  for (const auto& p : a.corners) {
    bool near = false;
    for (const auto& q : b.corners) near = near || std::hypot(p.x - q.x, p.y - q.y) < tolerance;
    if (!near) return false;
  }
  return true;
}

bool InsideQuad(const Quad& q, double x, double y) {
  int positive = 0, negative = 0;
  for (int k = 0; k < 4; ++k) {
    const PointF a = q[k], b = q[(k + 1) % 4];
    const double cross = (b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x);
    positive += cross > 0, negative += cross < 0;
  }
  return positive == 0 || negative == 0;
}

Quad Grown(const Quad& q, double by) {
  const PointF c{(q[0].x + q[1].x + q[2].x + q[3].x) / 4, (q[0].y + q[1].y + q[2].y + q[3].y) / 4};
  Quad out = q;
  for (auto& p : out) {
    const double d = std::max(1e-9, std::hypot(p.x - c.x, p.y - c.y));
    p = {p.x + (p.x - c.x) * by * std::sqrt(2.0) / d, p.y + (p.y - c.y) * by * std::sqrt(2.0) / d};
  }
  return out;
}

// An outline found on a reduced copy is as coarse as the reduction; the
// convex hull of the full-size ink inside it (a little grown) gives the
// corners to the pixel: for Dots, a straight row of dots has a straight hull.
void Tighten(const InkTest& ink, FoundQuad& quad) {
  const Quad wide = Grown(quad.corners, quad.slack);
  double x0 = wide[0].x, x1 = x0, y0 = wide[0].y, y1 = y0;
  for (const auto& p : wide) x0 = std::min(x0, p.x), x1 = std::max(x1, p.x), y0 = std::min(y0, p.y), y1 = std::max(y1, p.y);
  const int begin = std::max(0, static_cast<int>(x0)), end = std::min(ink.cols(), static_cast<int>(x1) + 1);
  if (begin >= end) return;
  std::vector<float> scratch;
  std::vector<std::uint8_t> row(static_cast<std::size_t>(ink.cols()));
  std::vector<cv::Point> edge;
  for (int y = std::max(0, static_cast<int>(y0)); y < std::min(ink.rows(), static_cast<int>(y1) + 1); ++y) {
    ink.Row(y, scratch, row.data(), begin, end);
    // The first and the last ink inside the outline: looked for from each end.
    int first = -1, last = -1;
    for (int x = begin; x < end && first < 0; ++x)
      if (row[static_cast<std::size_t>(x)] && InsideQuad(wide, x + 0.5, y + 0.5)) first = x;
    for (int x = end - 1; x >= first && first >= 0 && last < 0; --x)
      if (row[static_cast<std::size_t>(x)] && InsideQuad(wide, x + 0.5, y + 0.5)) last = x;
    if (first >= 0) edge.push_back({first, y}), edge.push_back({last + 1, y}), edge.push_back({first, y + 1}),
        edge.push_back({last + 1, y + 1});
  }
  if (edge.size() < 8) return;
  std::vector<cv::Point> hull, poly;
  cv::convexHull(edge, hull);
  cv::approxPolyDP(hull, poly, 0.02 * cv::arcLength(hull, true), true);
  if (!Suitable(poly)) return;
  std::vector<cv::Point2f> corners(poly.begin(), poly.end());
  for (auto& c : corners) c -= cv::Point2f(0.5f, 0.5f);  // Clockwise() adds the half pixel back
  quad.corners = Clockwise(corners, 1.0);
  quad.area = cv::contourArea(poly);
  // The hull of a solid outline's ink is its outline to the pixel; joined
  // marks (Dots) leave their gaps' worth of doubt.
  quad.slack = quad.joined ? 1 : 0;
}

// Pages of many megapixels are searched on a copy reduced this many times
// (at most about 6 megapixels); only the corners come from the full size.
constexpr double kSearchPixels = 6e6;

int SearchFactor(const cv::Mat& grey) {
  int factor = 1;
  while (static_cast<double>(grey.cols) * grey.rows / (factor * factor) > kSearchPixels) factor *= 2;
  return factor;
}

}  // namespace

std::vector<FoundQuad> FindQuads(const GreyImage& image, std::size_t limit, InkLevel ink_level) {
  const cv::Mat grey = View(image);
  const InkTest ink(grey, ink_level);
  if (!ink.usable()) return {};
  const int search = SearchFactor(grey);
  std::vector<FoundQuad> found;
  cv::Mat level = PooledInk(ink, search);  // any ink in each square
  CollectQuads(level, static_cast<double>(grey.cols) / level.cols, false, found);
  for (int factor : {2, 4, 8, 16}) {
    if (factor < search) continue;
    if (grey.cols / factor < kMinSide / 2 || grey.rows / factor < kMinSide / 2) break;
    if (factor > search) {  // any ink in the square, from the level before
      cv::resize(level, level, cv::Size(level.cols / 2, level.rows / 2), 0, 0, cv::INTER_AREA);
      cv::threshold(level, level, 0, 255, cv::THRESH_BINARY);
    }
    cv::Mat closed;
    cv::morphologyEx(level, closed, cv::MORPH_CLOSE, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(3, 3)));
    CollectQuads(closed, static_cast<double>(grey.cols) / closed.cols, true, found);
  }
  // Of the same outline seen at several scales the finest is kept.
  std::vector<FoundQuad> kept;
  for (const FoundQuad& q : found)
    if (std::none_of(kept.begin(), kept.end(), [&](const FoundQuad& k) { return SameQuad(k, q); })) kept.push_back(q);
  std::stable_sort(kept.begin(), kept.end(), [](const FoundQuad& a, const FoundQuad& b) { return a.area > b.area; });
  if (kept.size() > limit) kept.resize(limit);
  for (FoundQuad& q : kept)
    if (q.slack > 0) Tighten(ink, q);
  return kept;
}

}  // namespace tessellux::symbol::paper
