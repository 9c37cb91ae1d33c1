#include "lightcurves/limb_darkened.h"

#include <array>
#include <cmath>
#include <span>
#include <limits>

#include "kernels/ring.h"
#include "kernels/uniform_disk.h"
#include "numerics/tanh_sinh.h"

namespace caustix {

namespace {
constexpr double pi = 3.141592653589793;
constexpr double two_pi = 6.283185307179586;
constexpr double target = 1e-16;
}  // namespace

double linear_limb_darkening(double r) noexcept { return ((1.0 - std::sqrt(1.0 - r * r)) * (-0.6)) + 1.0; }

QuadratureResult nested_disks_integral(double u, double rho, int max_level, double rounding) {
  // (s s) A(u, s rho) with s = sqrt(1 - t^2), for a batch of nodes t: the
  // disks through the batch kernel. At g = 0 the disk has no area and no
  // kernel value counts.
  const auto disks = [&](std::span<const double> t, std::span<double> y) {
    std::array<double, 2 * tanh_sinh_batch_nodes> us, radius, s;
    for (std::size_t i = 0; i < t.size(); ++i) {
      s[i] = std::sqrt(1.0 - t[i] * t[i]);
      radius[i] = s[i] * rho;
      us[i] = u;
    }
    witt_mao_magnification_scaled(std::span(us.data(), t.size()), std::span(radius.data(), t.size()), y);
    for (std::size_t i = 0; i < t.size(); ++i) {
      y[i] = 1.0 - t[i] * t[i] == 0.0 ? 0.0 : (s[i] * s[i]) * y[i];
    }
  };
  // Split where the lens enters and leaves the kernel's rim window: at the
  // disk radii s rho of the window's edges, t = sqrt(1 - s^2).
  const auto [lower, upper] = rim_window_edges(u);
  double breaks[2];
  std::size_t count = 0;
  for (const double radius : {upper, lower}) {
    const double s = radius / rho;
    if (0.0 < s && s < 1.0) breaks[count++] = std::sqrt(1.0 - s * s);
  }
  return tanh_sinh_pieces(disks, 0.0, 1.0, std::span(breaks, count), target, max_level, rounding,
                          TanhSinhEstimate::quadratic);
}

QuadratureResult ring_flux_integral(double l, double re, double rstar, Profile profile, int max_level,
                                    double rounding) {
  // The rings from the closed form in complementary parameters: accurate up
  // to the ring through the lens and at the centre, and smooth in r on each
  // side of the lens, so the quadrature converges quadratically.
  const auto ring_flux = [&](std::span<const double> r, std::span<double> y) {
    std::array<double, 2 * tanh_sinh_batch_nodes> brightness;
    _heyrovsky_magnification_complementary(l, r, re, rstar, y);
    profile(r, std::span(brightness.data(), r.size()));
    for (std::size_t i = 0; i < r.size(); ++i) y[i] = brightness[i] * ((two_pi * r[i]) * y[i]);
  };
  // The ring through the lens, r = l, diverges logarithmically: as an end
  // of both pieces it costs tanh-sinh nothing.
  double breaks[1] = {l};
  return tanh_sinh_pieces(ring_flux, 0.0, 1.0, breaks, target, max_level, rounding,
                          TanhSinhEstimate::quadratic);
}

Outcome<std::vector<double>> integrated_witt_mao_magnification(std::vector<double> l, double re,
                                                               double rstar, Interruption& interruption) {
  const double rho = rstar / re;
  std::vector<double> result;
  result.reserve(l.size());
  for (const double x : l) {
    if (interruption.stop_requested()) return interrupted();
    const double u = x * rho;
    const double integral = nested_disks_integral(u, rho).integral;
    const double full_disk = witt_mao_magnification_scaled(u, rho);
    result.push_back(((0.6 * integral + 0.4 * full_disk) * pi) / limb_darkened_disk_flux);
  }
  return result;
}

Outcome<std::vector<double>> _integrated_heyrovsky_magnification(std::vector<double> l, double re,
                                                                 double rstar, double norm,
                                                                 Profile profile, Interruption& interruption) {
  std::vector<double> result;
  result.reserve(l.size());
  for (const double x : l) {
    if (interruption.stop_requested()) return interrupted();
    result.push_back(ring_flux_integral(x, re, rstar, profile).integral / norm);
  }
  return result;
}

Outcome<std::vector<double>> integrated_heyrovsky_magnification(std::vector<double> l, double re,
                                                                double rstar, Interruption& interruption) {
  const auto law = [](double r) { return linear_limb_darkening(r); };
  return _integrated_heyrovsky_magnification(std::move(l), re, rstar, limb_darkened_disk_flux, Profile(law),
                                             interruption);
}

}  // namespace caustix
