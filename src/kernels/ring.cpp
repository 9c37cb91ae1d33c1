#include "kernels/ring.h"

#include <cmath>
#include <limits>

#include "numerics/elliptic.h"

namespace caustix {

namespace {
constexpr double two_pi = 6.283185307179586;
}  // namespace

Outcome<double> heyrovsky_magnification(double l, double r, double re, double rstar) noexcept {
  const double eps = re / rstar;
  const double d = r - l;
  const double eps2 = eps * eps;

  // Near the ring the elliptic form meets its logarithmic singularity
  // (n, m -> 1); the expansion in d about it takes over.
  if (std::abs(d) < 1e-5) {
    const double a = (1.0 - d / (l + l)) * ((eps + eps) / l);
    const double w = l * l + eps2;
    const double log_term = std::log(((8.0 * eps) * l) / (std::sqrt(w) * std::abs(d)));
    const double t = std::atan(l / eps);
    const double c = (((l * l + l * l) + eps2) * eps) / (w * (l * l));
    return ((a * log_term + t * 4.0) + c * d) / two_pi;
  }

  const double h = eps2 * 4.0 + d * d;
  const double s = l + r;
  const double k = std::sqrt((l * r) / h) * ((eps * 4.0) / s);
  const double m = k * k;
  const double n = ((l * 4.0) * r) / (s * s);
  const auto integrals = ellip_kpi(n, m);
  if (!integrals) return std::unexpected(integrals.error());
  return ((eps2 + eps2) * integrals->k + (d * d) * integrals->pi) * (4.0 / (s * std::sqrt(h))) / two_pi;
}

double _heyrovsky_magnification_complementary(double l, double r, double re, double rstar) noexcept {
  const double eps = re / rstar;
  const double d = r - l;
  const double eps2 = eps * eps;
  const double h = eps2 * 4.0 + d * d;
  const double s = l + r;
  if (!(l * r >= 0.0) || !std::isfinite(h) || !std::isfinite(s)) return std::numeric_limits<double>::quiet_NaN();
  if (d == 0.0) return std::numeric_limits<double>::infinity();
  const double q = d / s;
  const double nc = q * q;
  const double mc = nc * ((eps2 * 4.0 + s * s) / h);
  const auto integrals = ellip_ekpi_complementary(nc, mc);
  return ((eps2 + eps2) * integrals.k + (d * d) * integrals.pi) * (4.0 / (s * std::sqrt(h))) / two_pi;
}

}  // namespace caustix
