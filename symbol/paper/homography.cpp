#include "symbol/paper/homography.h"

#include <cmath>
#include <utility>

namespace tessellux::symbol::paper {

namespace {

// Solves the 8 x 8 system a x = b in place (Gaussian elimination with
// partial pivoting); false when it is singular.
bool Solve8(std::array<std::array<double, 9>, 8>& a) {
  for (int col = 0; col < 8; ++col) {
    int pivot = col;
    for (int r = col + 1; r < 8; ++r)
      if (std::fabs(a[r][col]) > std::fabs(a[pivot][col])) pivot = r;
    if (std::fabs(a[pivot][col]) < 1e-12) return false;
    std::swap(a[col], a[pivot]);
    for (int r = 0; r < 8; ++r) {
      if (r == col) continue;
      const double f = a[r][col] / a[col][col];
      for (int c = col; c < 9; ++c) a[r][c] -= f * a[col][c];
    }
  }
  for (int r = 0; r < 8; ++r) a[r][8] /= a[r][r];
  return true;
}

}  // namespace

std::optional<Homography> HomographyBetween(const Quad& from, const Quad& to) {
  // Normalised coordinates keep the system well conditioned for page-sized numbers.
  auto centre_scale = [](const Quad& q) {
    double cx = 0, cy = 0, s = 0;
    for (const auto& p : q) cx += p.x / 4, cy += p.y / 4;
    for (const auto& p : q) s += std::hypot(p.x - cx, p.y - cy) / 4;
    return std::array<double, 3>{cx, cy, s > 0 ? s : 1};
  };
  const auto nf = centre_scale(from), nt = centre_scale(to);
  std::array<std::array<double, 9>, 8> a{};
  for (int k = 0; k < 4; ++k) {
    const double x = (from[k].x - nf[0]) / nf[2], y = (from[k].y - nf[1]) / nf[2];
    const double u = (to[k].x - nt[0]) / nt[2], v = (to[k].y - nt[1]) / nt[2];
    a[2 * k] = {x, y, 1, 0, 0, 0, -u * x, -u * y, u};
    a[2 * k + 1] = {0, 0, 0, x, y, 1, -v * x, -v * y, v};
  }
  if (!Solve8(a)) return std::nullopt;
  // H = T_to^-1 * N * T_from, with T the normalising maps.
  const std::array<double, 9> n{a[0][8], a[1][8], a[2][8], a[3][8], a[4][8], a[5][8], a[6][8], a[7][8], 1};
  const std::array<double, 9> tf{1 / nf[2], 0, -nf[0] / nf[2], 0, 1 / nf[2], -nf[1] / nf[2], 0, 0, 1};
  const std::array<double, 9> ti{nt[2], 0, nt[0], 0, nt[2], nt[1], 0, 0, 1};
  auto mul = [](const std::array<double, 9>& p, const std::array<double, 9>& q) {
    std::array<double, 9> r{};
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j)
        for (int k = 0; k < 3; ++k) r[3 * i + j] += p[3 * i + k] * q[3 * k + j];
    return r;
  };
  Homography h{mul(ti, mul(n, tf))};
  if (std::fabs(h.m[8]) < 1e-15) return std::nullopt;
  for (double& v : h.m) v /= h.m[8];
  return h;
}

}  // namespace tessellux::symbol::paper
