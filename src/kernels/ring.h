// Magnification of a thin, uniformly bright ring of radius r centred on the
// source, for a point lens at distance l from the centre: the mean of the
// point-lens magnification A0 around the ring,
//
//   A = (1 / 2pi) int_0^{2pi} A0( sqrt(l^2 + r^2 - 2 l r cos phi) / eps ) dphi
//     = 2 (2 eps^2 K(m) + d^2 Pi(n, m)) / (pi (l + r) sqrt(4 eps^2 + d^2)),
//
//   eps = re / rstar (the Einstein radius in source radii), d = r - l,
//   m = 16 eps^2 l r / ((l + r)^2 (4 eps^2 + d^2)), n = 4 l r / (l + r)^2.
//
// Lengths l and r are in source radii. Within 1e-5 of the ring (|d| < 1e-5)
// the first-order expansion about the logarithmic divergence at d = 0 is used
// instead; the two forms differ at the switch by about 1.5e-7 relative for
// l = 0.5, eps = 1 and 2e-5 for l = 2, eps = 0.1. A ring through the lens
// (l = r > 0) gives +inf.
//
// Failures: a failed elliptic integral is returned with the facility's
// message ("ellipk: Arguments cannot be NAN." for a NaN or infinite input or
// l r < 0, "ellippi: n cannot be 1." and "ellipk: m must not be greater than
// 1." at huge, nearly equal l and r); K is requested first, so its failure
// wins. The near-ring branch never fails; it returns what the arithmetic
// gives (NaN for a negative l or eps there).
//
// Accuracy against a direct mpmath quadrature of the ring mean
// (tests/reference): relative error below 7e-15 for |r - l| >= 0.01. Closer
// to the ring n = 4 l r / (l + r)^2 approaches 1 and its rounding is
// amplified: about 1e-16 ((l + r) / d)^2, 2.4e-6 at l = 2, d = -2e-5. Within
// 1e-5 of the ring the expansion is accurate to 2.3e-10 (eps = 0.1, l = 2).
#pragma once

#include <span>

#include "numerics/outcome.h"

namespace caustix {

Outcome<double> heyrovsky_magnification(double l, double r, double re, double rstar) noexcept;

// The closed form evaluated from the complementary parameters, for the
// ring-integrated light curves:
//
//   1 - n = d^2 / (l + r)^2,  1 - m = d^2 (4 eps^2 + (l + r)^2) / ((l + r)^2 (4 eps^2 + d^2)),
//
// which have no cancellation as the ring nears the lens (n, m -> 1), so the
// closed form keeps its accuracy there without an expansion (and without
// the expansion's small step at |d| = 1e-5, which would keep an integral over
// r from converging quickly). At l = 0 it is A0(r / eps). NaN for a NaN or
// infinite input or l r < 0, +inf for d = 0.
double _heyrovsky_magnification_complementary(double l, double r, double re, double rstar) noexcept;

// The same for the ring radii r (out.size() of them), bit for bit, in SIMD
// lanes (kernels/ring_batch.cpp).
void _heyrovsky_magnification_complementary(double l, std::span<const double> r, double re, double rstar,
                                            std::span<double> out) noexcept;

}  // namespace caustix
