#include "numerics/elliptic.h"

#include <cmath>
#include <limits>
#include <optional>

namespace caustix {

namespace {

constexpr double half_pi = 1.5707963267948966;
constexpr double infinity = std::numeric_limits<double>::infinity();

// Bulirsch's cel iteration for (a, b) = (1, 1) and (1, kc^2) at p = 1, and
// (ap, bp) at p2 for Pi, run side by side; kc = sqrt(1 - m) > 0.
EllipticIntegrals bulirsch_iteration(double kc, double p2, double ap, double bp) noexcept {
  // The iteration converges quadratically; stopping once the means agree to
  // this relative tolerance leaves the result accurate to the last bits.
  constexpr double tolerance = 1e-9;
  double e = kc;
  double em = 1.0;
  // Lane of K and E (p = 1).
  double p1 = 1.0;
  double ak = 1.0, bk = 1.0;
  double ae = 1.0, be = kc * kc;
  for (int i = 0; i < 40; ++i) {
    const double r1 = 1.0 / p1;
    const double r2 = 1.0 / p2;
    const double g1 = e * r1;
    const double g2 = e * r2;
    double f = ak;
    ak += bk * r1;
    bk = 2.0 * (bk + f * g1);
    f = ae;
    ae += be * r1;
    be = 2.0 * (be + f * g1);
    f = ap;
    ap += bp * r2;
    bp = 2.0 * (bp + f * g2);
    p1 += g1;
    p2 += g2;
    const double previous = em;
    em += kc;
    if (std::abs(previous - kc) <= previous * tolerance) break;
    kc = 2.0 * std::sqrt(e);
    e = kc * em;
  }
  const double s1 = half_pi / (em * (em + p1));
  const double s2 = half_pi / (em * (em + p2));
  return {(be + ae * em) * s1, (bk + ak * em) * s1, (bp + ap * em) * s2};
}

// All three for m < 1 and n != 1.
EllipticIntegrals bulirsch_triple(double n, double m) noexcept {
  const double kc = std::sqrt(1.0 - m);
  // For p = 1 - n < 0 (n > 1) Bulirsch's transformation to a positive p
  // gives the principal value, again with terms of one sign.
  if (n < 1.0) {
    const double p2 = std::sqrt(1.0 - n);
    return bulirsch_iteration(kc, p2, 1.0, 1.0 / p2);
  }
  const double p2 = std::sqrt((n - m) / n);
  return bulirsch_iteration(kc, p2, 0.0, -m / (n * p2));
}

// Pi for n != 1 and n, m not NaN, with m <= 1 when n < 1 (the caller has
// made those tests). NaN or infinity where no finite value exists.
double pi_value(double n, double m) noexcept {
  // The integrand's singularity at t = pi/2 for m = 1 is not integrable.
  if (n < 1.0 && m == 1.0) return infinity;
  // For n > 1 the transformation needs m < n; m = 1 would leave inf - inf.
  if (n > 1.0 && (!(m < 1.0) || !std::isfinite(n))) return std::numeric_limits<double>::quiet_NaN();
  return bulirsch_triple(n, m).pi;
}

using Check = std::optional<Failure>;

Check failure(std::string_view message) noexcept { return Failure{ErrorType::runtime_error, message}; }

Check check_k(double m) noexcept {
  if (std::isnan(m)) return failure("ellipk: Arguments cannot be NAN.");
  if (m > 1.0) return failure("ellipk: m must not be greater than 1.");
  return std::nullopt;
}

Check check_e(double m) noexcept {
  if (std::isnan(m)) return failure("ellipe: Arguments cannot be NAN.");
  if (m > 1.0) return failure("ellipe: m must not be greater than 1.");
  return std::nullopt;
}

// The tests of Pi that precede the computation, in their order.
Check check_pi(double n, double m) noexcept {
  if (n == 1.0) return failure("ellippi: n cannot be 1.");
  if (std::isnan(n) || (n < 1.0 && std::isnan(m))) return failure("ellippi: Arguments cannot be NAN.");
  if (n < 1.0 && m > 1.0) return failure("ellippi: m must not be greater than 1.");
  return std::nullopt;
}

// The test of Pi that follows the computation.
Check check_pi_value(double n, double m, double value) noexcept {
  if (std::isfinite(value) || (n < 1.0 && m == 1.0)) return std::nullopt;
  return failure("ellippi: Unexpected error.");
}

}  // namespace

Outcome<double> ellipk(double m) noexcept {
  if (Check f = check_k(m)) return std::unexpected(*f);
  if (m == 1.0) return infinity;
  return bulirsch_triple(0.0, m).k;
}

Outcome<double> ellipe(double m) noexcept {
  if (Check f = check_e(m)) return std::unexpected(*f);
  if (m == 1.0) return 1.0;
  return bulirsch_triple(0.0, m).e;
}

Outcome<double> ellippi(double n, double m) noexcept {
  if (Check f = check_pi(n, m)) return std::unexpected(*f);
  const double value = pi_value(n, m);
  if (Check f = check_pi_value(n, m, value)) return std::unexpected(*f);
  return value;
}

namespace {

// All three integrals once the tests that precede the computation passed.
Outcome<EllipticIntegrals> checked_triple(double n, double m) noexcept {
  EllipticIntegrals all;
  if (m == 1.0) {
    all = {1.0, infinity, pi_value(n, m)};
  } else if (std::isfinite(n)) {
    // The common case: one iteration gives all three.
    all = bulirsch_triple(n, m);
  } else {
    all = bulirsch_triple(0.0, m);
    all.pi = pi_value(n, m);
  }
  if (Check f = check_pi_value(n, m, all.pi)) return std::unexpected(*f);
  return all;
}

}  // namespace

Outcome<EllipticIntegrals> ellip_ekpi(double n, double m) noexcept {
  if (Check f = check_e(m)) return std::unexpected(*f);
  if (Check f = check_k(m)) return std::unexpected(*f);
  if (Check f = check_pi(n, m)) return std::unexpected(*f);
  return checked_triple(n, m);
}

EllipticIntegrals ellip_ekpi_complementary(double nc, double mc) noexcept {
  const double p2 = std::sqrt(nc);
  return bulirsch_iteration(std::sqrt(mc), p2, 1.0, 1.0 / p2);
}

Outcome<EllipticIntegrals> ellip_kpi(double n, double m) noexcept {
  if (Check f = check_k(m)) return std::unexpected(*f);
  if (Check f = check_pi(n, m)) return std::unexpected(*f);
  return checked_triple(n, m);
}

}  // namespace caustix
