#include "symbol/paper/grid_count.h"

#include <opencv2/core.hpp>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "symbol/paper/grey_view.h"

namespace tessellux::symbol::paper {

namespace {

constexpr int kLines = 48;      // lines averaged into one profile
constexpr int kPeaks = 3;       // strongest frequencies kept
constexpr double kMinCount = 8;  // a symbol is at least 10 cells across

double SideLength(PointF a, PointF b) { return std::hypot(a.x - b.x, a.y - b.y); }

// Mean grey along lines of constant `across`, at `length` steps of `along`.
std::vector<float> Profile(const GreyImage& image, const Homography& unit, int length, bool along_u) {
  std::vector<float> profile(static_cast<std::size_t>(length), 0.0f);
  for (int l = 0; l < kLines; ++l) {
    const double across = 0.04 + 0.92 * (l + 0.5) / kLines;
    for (int k = 0; k < length; ++k) {
      const double along = (k + 0.5) / length;
      const PointF p = along_u ? PointF{along, across} : PointF{across, along};
      profile[static_cast<std::size_t>(k)] += static_cast<float>(SampleGrey(image, unit.Map(p)) / kLines);
    }
  }
  return profile;
}

// The strongest local maxima of the profile's spectrum, as periods per
// profile, refined between bins; four-fold zero padding for finer bins.
struct Frequencies {
  std::vector<double> strongest;
  double prominence = 0;
};

Frequencies StrongestFrequencies(std::vector<float> profile) {
  const int n = static_cast<int>(profile.size());
  double mean = 0;
  for (float v : profile) mean += v / n;
  cv::Mat padded = cv::Mat::zeros(1, 4 * n, CV_32F);
  for (int k = 0; k < n; ++k) {
    const double hann = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * (k + 0.5) / n);
    padded.at<float>(0, k) = static_cast<float>((profile[static_cast<std::size_t>(k)] - mean) * hann);
  }
  cv::Mat spectrum;
  cv::dft(padded, spectrum, cv::DFT_COMPLEX_OUTPUT);
  std::vector<double> power(static_cast<std::size_t>(2 * n));
  for (int f = 0; f < 2 * n; ++f) {
    const cv::Vec2f c = spectrum.at<cv::Vec2f>(0, f);
    power[static_cast<std::size_t>(f)] = c[0] * c[0] + c[1] * c[1];
  }
  std::vector<std::pair<double, double>> peaks;  // power, frequency
  std::vector<double> band;
  for (int f = std::max(1, static_cast<int>(4 * kMinCount)); f + 1 < static_cast<int>(0.8 * n); ++f) {
    band.push_back(power[f]);
    const double a = power[f - 1], b = power[f], c = power[f + 1];
    if (b < a || b < c) continue;
    const double shift = (a - c) / (2 * (a - 2 * b + c) - 1e-30);  // parabola through the three bins
    peaks.emplace_back(b, (f + std::clamp(shift, -0.5, 0.5)) / 4.0);
  }
  std::sort(peaks.begin(), peaks.end(), [](const auto& x, const auto& y) { return x.first > y.first; });
  Frequencies out;
  for (const auto& p : peaks) {
    if (static_cast<int>(out.strongest.size()) == kPeaks) break;
    if (std::none_of(out.strongest.begin(), out.strongest.end(), [&](double f) { return std::fabs(f - p.second) < 1.0; }))
      out.strongest.push_back(p.second);
  }
  if (!peaks.empty() && !band.empty()) {
    std::nth_element(band.begin(), band.begin() + band.size() / 2, band.end());
    out.prominence = peaks.front().first / std::max(1e-12, band[band.size() / 2]);
  }
  return out;
}

// Enough samples for the finest detail a picture holds: 2 per pixel, at
// least 256, a power of two for the transform.
int ProfileLength(double side) {
  int n = 256;
  while (n < 2 * side && n < 16384) n *= 2;
  return n;
}

}  // namespace

PeriodCounts CountPeriods(const GreyImage& image, const Quad& quad) {
  const Quad unit{PointF{0, 0}, PointF{1, 0}, PointF{1, 1}, PointF{0, 1}};
  const auto map = HomographyBetween(unit, quad);
  if (!map) return {};
  const double first = std::max(SideLength(quad[0], quad[1]), SideLength(quad[3], quad[2]));
  const double second = std::max(SideLength(quad[1], quad[2]), SideLength(quad[0], quad[3]));
  const Frequencies a = StrongestFrequencies(Profile(image, *map, ProfileLength(first), true));
  const Frequencies b = StrongestFrequencies(Profile(image, *map, ProfileLength(second), false));
  return {a.strongest, b.strongest, a.prominence, b.prominence};
}

}  // namespace tessellux::symbol::paper
