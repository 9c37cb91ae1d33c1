// Light curves of a limb-darkened source star, integrated over the stellar
// radius with tanh-sinh quadrature (absolute target 1e-16 on [0, 1]).
//
// integrated_witt_mao_magnification: the fixed linear law B(x) = 1 - 0.6 (1 -
// sqrt(1 - x^2)) written as nested uniform disks,
//   entry = pi (0.6 I + 0.4 A(u, rho)) / 2.5132741228717936,
//   I = int_0^1 (1 - t^2) A(u, sqrt(1 - t^2) rho) dt,
// with A the uniform-disk magnification, rho = rstar / re, u = l rho. The
// integral is split where the lens enters and leaves the kernel's rim
// window, so that each piece is smooth.
//
// _integrated_heyrovsky_magnification: the star as thin rings, for any
// brightness profile,
//   entry = int_0^1 profile(r) 2 pi r R(r) dr / norm,
// with R(r) the ring magnification at separation l (NaN where the ring
// kernel fails, which counts as zero). For 0 < l < 1 the integral is taken
// over [0, l] and [l, 1], so that the ring's logarithmic singularity at
// r = l is an end of each piece. The rings come from the kernel's closed
// form in complementary parameters (kernels/ring.h), accurate up to the
// ring through the lens and at the centre, so that each piece is smooth and
// the quadrature stops by Bailey's estimate.
//
// integrated_heyrovsky_magnification: the core with the fixed linear law and
// norm = 2.5132741228717936 (0.8 pi to 14 digits), the same star as
// integrated_witt_mao_magnification.
//
// None of them reports a failure, except `interrupted` when the interruption,
// asked before each separation, says stop.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "numerics/interruption.h"
#include "numerics/outcome.h"
#include "numerics/tanh_sinh.h"

namespace caustix {

// A borrowed callable object from double to double: a brightness profile.
// It refers to the object without copying it, for the duration of a call.
// Evaluated at one radius or at a batch of radii (one indirect call a batch).
class Profile {
 public:
  template <class F>
  explicit Profile(const F& f) noexcept
      : context_(&f),
        evaluate_([](const void* c, double r) { return (*static_cast<const F*>(c))(r); }),
        evaluate_batch_([](const void* c, std::span<const double> r, std::span<double> out) {
          const F& profile = *static_cast<const F*>(c);
          for (std::size_t i = 0; i < r.size(); ++i) out[i] = profile(r[i]);
        }) {}
  double operator()(double r) const { return evaluate_(context_, r); }
  void operator()(std::span<const double> r, std::span<double> out) const { evaluate_batch_(context_, r, out); }

 private:
  const void* context_;
  double (*evaluate_)(const void*, double);
  void (*evaluate_batch_)(const void*, std::span<const double>, std::span<double>);
};

inline constexpr double limb_darkened_disk_flux = 2.5132741228717936;

double linear_limb_darkening(double r) noexcept;

// The integrals behind one entry, with their cost: I of the disk operation
// for u = l rho, and the ring-flux integral of the ring operation.
QuadratureResult nested_disks_integral(double u, double rho, int max_level = tanh_sinh_max_level,
                                       double rounding = tanh_sinh_rounding);
QuadratureResult ring_flux_integral(double l, double re, double rstar, Profile profile,
                                    int max_level = tanh_sinh_max_level,
                                    double rounding = tanh_sinh_rounding);

Outcome<std::vector<double>> integrated_witt_mao_magnification(
    std::vector<double> l, double re, double rstar, Interruption& interruption = Interruption::none());

Outcome<std::vector<double>> _integrated_heyrovsky_magnification(
    std::vector<double> l, double re, double rstar, double norm, Profile profile,
    Interruption& interruption = Interruption::none());

Outcome<std::vector<double>> integrated_heyrovsky_magnification(
    std::vector<double> l, double re, double rstar, Interruption& interruption = Interruption::none());

}  // namespace caustix
