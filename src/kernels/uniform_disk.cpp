#include "kernels/uniform_disk.h"

#include <cmath>
#include <limits>

#include "numerics/elliptic.h"

namespace caustix {

namespace {
constexpr double pi = 3.141592653589793;
constexpr double half_pi = 1.5707963267948966;
}  // namespace

double witt_mao_magnification_scaled(double u, double rho) noexcept {
  // A point source: the lens magnification at distance u.
  if (rho <= 0.0) return (2.0 + u * u) / (std::sqrt(u * u + 4.0) * u);

  // Near the rim the elliptic form loses its accuracy (n -> 1); the exact
  // value for a lens on the rim stands in for the whole window.
  const double window = std::fmax(0.001 * std::abs(rho), 1e-5);
  if (std::abs(u - rho) < window) {
    const double rho2 = rho * rho;
    const double q = 1.0 + rho2;
    const double c = q / rho2;
    const double s = (rho2 - 1.0) / q;
    return ((std::asin(s) + half_pi) * c + 2.0 / rho) / pi;
  }

  const double d = u - rho;
  const double sigma = rho + u;
  const double rho2 = rho * rho;
  const double q = 1.0 + rho2;
  const double n = ((rho * 4.0) * u) / (sigma * sigma);
  const double g = std::sqrt(d * d + 4.0);
  const double root = std::sqrt(n * 4.0) / g;
  const double m = root * root;
  const auto integrals = ellip_ekpi(n, m);
  if (!integrals) return std::numeric_limits<double>::quiet_NaN();
  const auto [e, k, p] = *integrals;
  const double t_e = e * ((g * sigma) / (2.0 * rho2));
  const double t_k = ((d * ((u * u - rho2) * 0.5 + 4.0)) / (g * rho2)) * k;
  const double t_p = p * (((2.0 * (d * d)) * q) / (g * (rho2 * sigma)));
  return (t_p + (t_e - t_k)) / pi;
}

RimWindow rim_window_edges(double u) noexcept {
  // The half-width is 0.001 rho from rho = 0.01 up and 1e-5 below.
  const double lower = u / 1.001 >= 0.01 ? u / 1.001 : u - 1e-5;
  const double upper = u / 0.999 >= 0.01 ? u / 0.999 : u + 1e-5;
  return {lower, upper};
}

}  // namespace caustix
