// The uniform-disk kernel for many arguments at once, in SIMD lanes.
//
// Compiled once per instruction set that Highway targets and chosen at run
// time (dynamic dispatch), so the module runs on any x86-64. Every lane does
// the scalar kernel's arithmetic in the scalar kernel's order, and + - * /
// and sqrt are exactly rounded in every lane, with contraction off: each
// value has the scalar kernel's bits. The elliptic iteration runs until the
// last lane has converged; a converged lane keeps its values (masked
// updates, numerics/elliptic_batch-inl.h). Lanes outside the common branch (a point source, the rim window
// with its arcsine, a failed or non-finite elliptic integral) are computed
// again by the scalar kernel.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "kernels/uniform_disk_batch.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include <algorithm>
#include <cstddef>

#include "kernels/uniform_disk.h"
#include "numerics/elliptic_batch-inl.h"

HWY_BEFORE_NAMESPACE();
namespace caustix {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

void UniformDiskBatch(const double* HWY_RESTRICT u_in, const double* HWY_RESTRICT rho_in,
                      double* HWY_RESTRICT out, std::size_t count) {
  const hn::ScalableTag<double> tag;
  using V = hn::Vec<decltype(tag)>;
  const std::size_t lanes = hn::Lanes(tag);
  const V zero = hn::Zero(tag), one = hn::Set(tag, 1.0), two = hn::Set(tag, 2.0), four = hn::Set(tag, 4.0);
  const V half = hn::Set(tag, 0.5), pi = hn::Set(tag, 3.141592653589793);
  const V window_scale = hn::Set(tag, 0.001), window_floor = hn::Set(tag, 1e-5);
  // One vector of lanes from u_in, rho_in into out; the lanes outside the
  // common branch again by the scalar kernel.
  const auto vector = [&](const double* HWY_RESTRICT u_at, const double* HWY_RESTRICT rho_at,
                          double* HWY_RESTRICT out_at) {
    const V u = hn::LoadU(tag, u_at), rho = hn::LoadU(tag, rho_at);
    // The scalar kernel's branches: point source, rim window.
    const V window = hn::Max(hn::Mul(window_scale, hn::Abs(rho)), window_floor);
    auto common = hn::And(hn::Gt(rho, zero), hn::Not(hn::Lt(hn::Abs(hn::Sub(u, rho)), window)));
    const V d = hn::Sub(u, rho);
    const V sigma = hn::Add(rho, u);
    const V rho2 = hn::Mul(rho, rho);
    const V q = hn::Add(one, rho2);
    const V n = hn::Div(hn::Mul(hn::Mul(rho, four), u), hn::Mul(sigma, sigma));
    const V g = hn::Sqrt(hn::Add(hn::Mul(d, d), four));
    const V root = hn::Div(hn::Sqrt(hn::Mul(n, four)), g);
    const V m = hn::Mul(root, root);
    // The elliptic integrals' common case: m < 1 and finite n < 1 (NaN fails both).
    common = hn::And(common, hn::And(hn::Lt(m, one), hn::And(hn::Lt(n, one), hn::IsFinite(n))));
    // Bulirsch's iteration for E, K and Pi, lanes in step.
    const V p2 = hn::Sqrt(hn::Sub(one, n));
    const auto integrals = BulirschLanes(tag, hn::Sqrt(hn::Sub(one, m)), p2, one, hn::Div(one, p2), common);
    const V ellip_e = integrals.e, ellip_k = integrals.k, ellip_pi = integrals.pi;
    // A non-finite Pi is a failure of the scalar kernel (NaN).
    common = hn::And(common, hn::IsFinite(ellip_pi));
    const V t_e = hn::Mul(ellip_e, hn::Div(hn::Mul(g, sigma), hn::Mul(two, rho2)));
    const V t_k = hn::Mul(hn::Div(hn::Mul(d, hn::Add(hn::Mul(hn::Sub(hn::Mul(u, u), rho2), half), four)),
                                  hn::Mul(g, rho2)),
                          ellip_k);
    const V t_p = hn::Mul(ellip_pi, hn::Div(hn::Mul(hn::Mul(two, hn::Mul(d, d)), q), hn::Mul(g, hn::Mul(rho2, sigma))));
    hn::StoreU(hn::Div(hn::Add(t_p, hn::Sub(t_e, t_k)), pi), tag, out_at);
    if (!hn::AllTrue(tag, common)) {
      for (std::size_t j = 0; j < lanes; ++j) {
        if (!hn::ExtractLane(hn::VecFromMask(tag, common), j)) {
          out_at[j] = witt_mao_magnification_scaled(u_at[j], rho_at[j]);
        }
      }
    }
  };
  std::size_t i = 0;
  for (; i + lanes <= count; i += lanes) vector(u_in + i, rho_in + i, out + i);
  if (i < count) {
    // The last, partial vector: padded with copies of its last argument.
    HWY_ALIGN double u_pad[HWY_MAX_BYTES / sizeof(double)], rho_pad[HWY_MAX_BYTES / sizeof(double)],
        out_pad[HWY_MAX_BYTES / sizeof(double)];
    for (std::size_t j = 0; j < lanes; ++j) {
      u_pad[j] = u_in[std::min(i + j, count - 1)];
      rho_pad[j] = rho_in[std::min(i + j, count - 1)];
    }
    vector(u_pad, rho_pad, out_pad);
    for (std::size_t j = 0; i + j < count; ++j) out[i + j] = out_pad[j];
  }
}

}  // namespace HWY_NAMESPACE
}  // namespace caustix
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace caustix {

HWY_EXPORT(UniformDiskBatch);

void witt_mao_magnification_scaled(std::span<const double> u, std::span<const double> rho,
                                   std::span<double> out) noexcept {
  HWY_DYNAMIC_DISPATCH(UniformDiskBatch)(u.data(), rho.data(), out.data(), out.size());
}

}  // namespace caustix
#endif
