// Magnification of a uniformly bright disk of radius rho centred at distance
// u from a single point lens, both in Einstein radii: the mean over the disk
// of the point-lens magnification A0(x) = (x^2 + 2) / (x sqrt(x^2 + 4)),
// in closed form with complete elliptic integrals (Witt & Mao 1994):
//
//   A = (1/pi) [ E sigma g / (2 rho^2) - K d (u^2 - rho^2 + 8) / (2 rho^2 g)
//              + Pi 2 d^2 (1 + rho^2) / (rho^2 sigma g) ],
//   d = u - rho, sigma = u + rho, g = sqrt(d^2 + 4),
//   n = 4 rho u / sigma^2, m = 4 n / (d^2 + 4).
//
// Branches: rho <= 0 is a point source, A0(u). Within w = max(0.001 |rho|,
// 1e-5) of the rim (|u - rho| < w) the lens-on-the-rim value is returned for
// the whole window, a step of about 0.3 % at its edge for rho = 1 and 3 % for
// rho = 0.001.
//
// Domain: u >= 0, rho > 0. Never fails: NaN where an elliptic integral cannot
// be evaluated (NaN input, infinite u or rho, negative u outside the rim
// window). There is no far-field branch: the three terms cancel to about 1,
// and the absolute error grows like (u / rho)^2 * 1e-16.
//
// Accuracy against an mpmath disk mean (tests/reference), rho in [0.001, 1]:
// relative error below 3e-14 for u / rho in [0, 5] outside the rim window,
// 2e-12 at u / rho = 100, 1.4e-10 two window half-widths from the rim, and
// 1.4e-12 for the rim value at rho = 0.001 (its arcsine term cancels).
#pragma once

#include <span>

namespace caustix {

double witt_mao_magnification_scaled(double u, double rho) noexcept;

// The same for out.size() argument pairs (u and rho at least as long): out[i]
// has, bit for bit, the value of witt_mao_magnification_scaled(u[i], rho[i]),
// whatever the batch length, the position in it and the instruction set
// (SIMD lanes of the best one the machine offers, kernels/uniform_disk_batch.cpp).
void witt_mao_magnification_scaled(std::span<const double> u, std::span<const double> rho,
                                   std::span<double> out) noexcept;

// The disk radii at which the lens at u >= 0 enters and leaves the rim window
// (|u - rho| equal to its half-width), lower first. As a function of rho the
// kernel is smooth between and beyond them, so an integral over disk radii
// converges fastest when split there.
struct RimWindow {
  double lower, upper;
};
RimWindow rim_window_edges(double u) noexcept;

}  // namespace caustix
