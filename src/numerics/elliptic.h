// Complete elliptic integrals in the parameter convention (m = k^2):
//
//   K(m)    = int_0^{pi/2} dt / sqrt(1 - m sin^2 t)
//   E(m)    = int_0^{pi/2} sqrt(1 - m sin^2 t) dt
//   Pi(n,m) = int_0^{pi/2} dt / ((1 - n sin^2 t) sqrt(1 - m sin^2 t))
//
// All three come from one run of Bulirsch's iteration for the general
// complete integral cel(kc, p, a, b) (R. Bulirsch, Numer. Math. 13, 1969),
// with kc = sqrt(1 - m): K = cel(kc, 1, 1, 1), E = cel(kc, 1, 1, kc^2),
// Pi = cel(kc, 1 - n, 1, 1). The three share the arithmetic-geometric part
// of the iteration, so the triple costs about one integral. For m < 1 and
// n < 1 every term of the iteration is positive: there is no cancellation,
// also as n or m approach 1. For n > 1 Pi is the Cauchy principal value,
// from Bulirsch's transformation of the iteration to a positive p, which
// keeps the terms of one sign (Pi(n, m) = K(m) - Pi(m/n, m) would cancel).
//
// Why not Boost.Math: its complete Pi rejects n > 1 and m = 1, and three
// separate integrals cost about fourteen times as much as the shared
// iteration, which the uniform-disk kernel needs at every quadrature node.
//
// Domain and outcomes (tests in this order):
//   K: m NaN -> "ellipk: Arguments cannot be NAN."; m > 1 (+inf too) ->
//      "ellipk: m must not be greater than 1."; m = 1 -> +inf.
//   E: m NaN or m > 1 -> failure; m = 1 -> 1.
//   Pi: n = 1 -> "ellippi: n cannot be 1."; n NaN, or n < 1 with m NaN ->
//      "ellippi: Arguments cannot be NAN."; n < 1 with m > 1 ->
//      "ellippi: m must not be greater than 1."; n < 1 with m = 1 -> +inf;
//      any other argument pair without a finite value -> "ellippi: Unexpected error.".
//
// Accuracy, measured against mpmath at 30 digits (tests/reference): peak
// relative error 6.4e-16 for K and E on 0 <= m <= 0.999, for Pi on
// 0 <= n, m <= 0.999 and for the principal value on 1.001 <= n <= 10.
#pragma once

#include "numerics/outcome.h"

namespace caustix {

Outcome<double> ellipk(double m) noexcept;
Outcome<double> ellipe(double m) noexcept;
Outcome<double> ellippi(double n, double m) noexcept;

struct EllipticIntegrals {
  double e;
  double k;
  double pi;
};

// E(m), K(m) and Pi(n, m) from one iteration. The outcome is that of
// requesting E, then K, then Pi: the first failure wins.
Outcome<EllipticIntegrals> ellip_ekpi(double n, double m) noexcept;

// K(m) and Pi(n, m) from one iteration (e is computed along). The outcome is
// that of requesting K, then Pi.
Outcome<EllipticIntegrals> ellip_kpi(double n, double m) noexcept;

// E(m), K(m) and Pi(n, m) from the complementary parameters mc = 1 - m and
// nc = 1 - n, both positive and finite (unchecked). Where they come from a
// formula that gives them without cancellation, the integrals keep their
// accuracy as n and m approach 1, where 1 - n formed from n would lose
// digits.
EllipticIntegrals ellip_ekpi_complementary(double nc, double mc) noexcept;

}  // namespace caustix
