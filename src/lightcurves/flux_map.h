// Light curves of a star whose radial brightness the caller tabulates: the
// flux map, radii bl (source radii) and brightness or weights bf.
//
// flux_map_profile: the map read as a continuous profile. An empty map is
// dark, a one-entry map is bf[0] everywhere, and from two entries on the
// table is interpolated linearly, dark outside [bl[0], bl[n-1]] (see
// numerics/interpolation.h). flux_map_norm = int_0^1 profile(r) 2 pi r dr.
//
// integrated_flux_map_heyrovsky_magnification: the profile integrated over
// rings by the ring-integration core, divided by flux_map_norm.
//
// integrated_flux_map_witt_mao_magnification: the profile integrated over
// thin annuli, in one piece over [0, 1],
//   entry = int_0^1 profile(r) 2 pi r annulus(u, r) dr / flux_map_norm,
// annulus(u, r) being the magnification of the uniform annulus between
// max(r - 1e-4, 0) and min(r + 1e-4, 1), from the fluxes (magnification
// times area) of two uniform disks.
//
// discrete_flux_map_heyrovsky_magnification: the map read as rings. Entry i
// is sum_j heyrovsky_magnification(l[i], bl[j], re, rstar) * bf[j], without
// normalisation; the first ring-kernel failure (separations in order, table
// entries in order) ends the call and is returned.
//
// All three stop with the failure `interrupted` when the interruption,
// asked before each separation (and every 1024 rings of the sum), says
// stop. Tables of different lengths are an internal fault,
// "assertion `left == right` failed\n  left: <bl size>\n right: <bf size>".
#pragma once

#include <vector>

#include "numerics/interpolation.h"
#include "numerics/interruption.h"
#include "numerics/outcome.h"

namespace caustix {

// The continuous profile of a flux map; refers to bl and bf without copying.
class FluxMapProfile {
 public:
  FluxMapProfile(const std::vector<double>& bl, const std::vector<double>& bf);
  double operator()(double r) const;

 private:
  // A map of fewer than two entries is constant: dark, or uniformly bright.
  bool constant_;
  double brightness_;
  PiecewiseLinear table_;
};

double flux_map_norm(const FluxMapProfile& profile);

Outcome<std::vector<double>> integrated_flux_map_heyrovsky_magnification(
    std::vector<double> l, double re, double rstar, std::vector<double> bl, std::vector<double> bf,
    Interruption& interruption = Interruption::none());

Outcome<std::vector<double>> integrated_flux_map_witt_mao_magnification(
    std::vector<double> l, double re, double rstar, std::vector<double> bl, std::vector<double> bf,
    Interruption& interruption = Interruption::none());

Outcome<std::vector<double>> discrete_flux_map_heyrovsky_magnification(
    std::vector<double> l, double re, double rstar, std::vector<double> bl, std::vector<double> bf,
    Interruption& interruption = Interruption::none());

}  // namespace caustix
