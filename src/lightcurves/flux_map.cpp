#include "lightcurves/flux_map.h"

#include <algorithm>
#include <array>
#include <span>

#include "kernels/ring.h"
#include "kernels/uniform_disk.h"
#include "lightcurves/limb_darkened.h"
#include "numerics/fault.h"
#include "numerics/tanh_sinh.h"

namespace caustix {

namespace {
constexpr double two_pi = 6.283185307179586;
constexpr double target = 1e-16;
// Half-width of the annuli, in source radii.
constexpr double annulus_half_width = 0.0001;
// The discrete sum asks its interruption before this many rings (40 us).
constexpr std::size_t rings_between_checks = 1024;
}  // namespace

namespace {

// The table behind a profile; for fewer than two entries a placeholder that
// is never evaluated.
PiecewiseLinear make_table(const std::vector<double>& bl, const std::vector<double>& bf) {
  static constexpr double placeholder[2] = {0.0, 1.0};
  if (bl.size() < 2) return PiecewiseLinear(placeholder, placeholder, 0.0);
  return PiecewiseLinear(bl, bf, 0.0);
}

// The radii where the annulus integrand is not smooth for a lens at x
// (source radii), u = x rho: where an edge of the annulus, r - delta or
// r + delta, meets the lens or an edge of the uniform-disk kernel's rim
// window (which, for the disk radius s, holds the lens-on-the-rim value
// while s is near x). Where one of them lies inside (0, 1) the clamps of
// the annulus to the star, r = delta and r = 1 - delta, are added too.
struct AnnulusBreaks {
  double radii[8];
  std::size_t count = 0;
  std::span<double> points() { return std::span(radii, count); }
};

AnnulusBreaks annulus_breaks(double x, double u, double rho) {
  AnnulusBreaks breaks;
  const auto [lower, upper] = rim_window_edges(u);
  for (const double edge : {lower / rho, x, upper / rho}) {
    for (const double r : {edge - annulus_half_width, edge + annulus_half_width}) {
      if (0.0 < r && r < 1.0) breaks.radii[breaks.count++] = r;
    }
  }
  if (breaks.count > 0) {
    breaks.radii[breaks.count++] = annulus_half_width;
    breaks.radii[breaks.count++] = 1.0 - annulus_half_width;
  }
  return breaks;
}

}  // namespace

FluxMapProfile::FluxMapProfile(const std::vector<double>& bl, const std::vector<double>& bf)
    : constant_(bl.size() < 2), brightness_(bf.size() == 1 ? bf[0] : 0.0), table_(make_table(bl, bf)) {}

double FluxMapProfile::operator()(double r) const { return constant_ ? brightness_ : table_(r); }

double flux_map_norm(const FluxMapProfile& profile) {
  const auto flux = [&](double r) { return profile(r) * (two_pi * r); };
  return tanh_sinh(flux, 0.0, 1.0, target).integral;
}

Outcome<std::vector<double>> integrated_flux_map_heyrovsky_magnification(
    std::vector<double> l, double re, double rstar, std::vector<double> bl, std::vector<double> bf,
    Interruption& interruption) {
  assert_equal(bl.size(), bf.size());
  const FluxMapProfile profile(bl, bf);
  const double norm = flux_map_norm(profile);
  return _integrated_heyrovsky_magnification(std::move(l), re, rstar, norm, Profile(profile), interruption);
}

Outcome<std::vector<double>> integrated_flux_map_witt_mao_magnification(
    std::vector<double> l, double re, double rstar, std::vector<double> bl, std::vector<double> bf,
    Interruption& interruption) {
  assert_equal(bl.size(), bf.size());
  const FluxMapProfile profile(bl, bf);
  const double norm = flux_map_norm(profile);
  const double rho = rstar / re;
  std::vector<double> result;
  result.reserve(l.size());
  for (const double x : l) {
    if (interruption.stop_requested()) return interrupted();
    const double u = x * rho;
    // The uniform annulus between lo and hi, from the fluxes (magnification
    // times area) of two disks, for a batch of nodes r; near the centre the
    // whole disk of radius hi. Both disks go through the batch kernel.
    const auto flux = [&](std::span<const double> r, std::span<double> y) {
      constexpr std::size_t size = 2 * tanh_sinh_batch_nodes;
      std::array<double, size> us, lo2, hi2, inner_radius, outer_radius, inner;
      const std::size_t n = r.size();
      for (std::size_t i = 0; i < n; ++i) {
        const double hi = std::min(r[i] + annulus_half_width, 1.0);
        const double lo = std::max(r[i] - annulus_half_width, 0.0);
        lo2[i] = lo * lo;
        hi2[i] = hi * hi;
        inner_radius[i] = lo * rho;
        outer_radius[i] = hi * rho;
        us[i] = u;
      }
      witt_mao_magnification_scaled(std::span(us.data(), n), std::span(inner_radius.data(), n),
                                    std::span(inner.data(), n));
      witt_mao_magnification_scaled(std::span(us.data(), n), std::span(outer_radius.data(), n), y);
      for (std::size_t i = 0; i < n; ++i) {
        const double inside = lo2[i] == 0.0 ? 0.0 : inner[i] * lo2[i];
        const double magnification = (y[i] * hi2[i] - inside) / (hi2[i] - lo2[i]);
        y[i] = profile(r[i]) * ((two_pi * r[i]) * magnification);
      }
    };
    result.push_back(tanh_sinh_pieces(flux, 0.0, 1.0, annulus_breaks(x, u, rho).points(), target,
                                      tanh_sinh_max_level, tanh_sinh_rounding, TanhSinhEstimate::quadratic)
                         .integral /
                     norm);
  }
  return result;
}

Outcome<std::vector<double>> discrete_flux_map_heyrovsky_magnification(
    std::vector<double> l, double re, double rstar, std::vector<double> bl, std::vector<double> bf,
    Interruption& interruption) {
  assert_equal(bl.size(), bf.size());
  std::vector<double> result;
  result.reserve(l.size());
  for (const double x : l) {
    double sum = 0.0;
    for (std::size_t j = 0; j < bl.size(); ++j) {
      if (j % rings_between_checks == 0 && interruption.stop_requested()) return interrupted();
      const auto ring = heyrovsky_magnification(x, bl[j], re, rstar);
      if (!ring) return std::unexpected(ring.error());
      sum += *ring * bf[j];
    }
    result.push_back(sum);
  }
  return result;
}

}  // namespace caustix
