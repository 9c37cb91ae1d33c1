// The ring kernel's closed form in complementary parameters for many ring
// radii at once, in SIMD lanes (see uniform_disk_batch.cpp for how the lanes
// keep the scalar form's bits). Lanes where the scalar form returns NaN or
// +inf are computed again by it.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "kernels/ring_batch.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include <algorithm>
#include <cstddef>

#include "kernels/ring.h"
#include "numerics/elliptic_batch-inl.h"

HWY_BEFORE_NAMESPACE();
namespace caustix {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

void RingComplementaryBatch(double l, const double* HWY_RESTRICT r_in, double re, double rstar,
                            double* HWY_RESTRICT out, std::size_t count) {
  const hn::ScalableTag<double> tag;
  using V = hn::Vec<decltype(tag)>;
  const std::size_t lanes = hn::Lanes(tag);
  const double eps = re / rstar;
  const double eps2 = eps * eps;
  const V vl = hn::Set(tag, l), four_eps2 = hn::Set(tag, eps2 * 4.0), two_eps2 = hn::Set(tag, eps2 + eps2);
  const V zero = hn::Zero(tag), one = hn::Set(tag, 1.0), four = hn::Set(tag, 4.0);
  const V two_pi = hn::Set(tag, 6.283185307179586);
  // One vector of lanes from r_at into out_at; the lanes outside the common
  // case again by the scalar form.
  const auto vector = [&](const double* HWY_RESTRICT r_at, double* HWY_RESTRICT out_at) {
    const V r = hn::LoadU(tag, r_at);
    const V d = hn::Sub(r, vl);
    const V h = hn::Add(four_eps2, hn::Mul(d, d));
    const V s = hn::Add(vl, r);
    // The scalar form's special cases: l r < 0 or NaN, non-finite h or s, d = 0.
    const auto common = hn::And(hn::And(hn::Ge(hn::Mul(vl, r), zero), hn::IsFinite(h)),
                                hn::And(hn::IsFinite(s), hn::Ne(d, zero)));
    const V q = hn::Div(d, s);
    const V nc = hn::Mul(q, q);
    const V mc = hn::Mul(nc, hn::Div(hn::Add(four_eps2, hn::Mul(s, s)), h));
    const V p2 = hn::Sqrt(nc);
    const auto integrals = BulirschLanes(tag, hn::Sqrt(mc), p2, one, hn::Div(one, p2), common);
    const V value = hn::Div(hn::Mul(hn::Add(hn::Mul(two_eps2, integrals.k), hn::Mul(hn::Mul(d, d), integrals.pi)),
                                    hn::Div(four, hn::Mul(s, hn::Sqrt(h)))),
                            two_pi);
    hn::StoreU(value, tag, out_at);
    if (!hn::AllTrue(tag, common)) {
      for (std::size_t j = 0; j < lanes; ++j) {
        if (!hn::ExtractLane(hn::VecFromMask(tag, common), j)) {
          out_at[j] = _heyrovsky_magnification_complementary(l, r_at[j], re, rstar);
        }
      }
    }
  };
  std::size_t i = 0;
  for (; i + lanes <= count; i += lanes) vector(r_in + i, out + i);
  if (i < count) {
    // The last, partial vector: padded with copies of its last radius.
    HWY_ALIGN double r_pad[HWY_MAX_BYTES / sizeof(double)], out_pad[HWY_MAX_BYTES / sizeof(double)];
    for (std::size_t j = 0; j < lanes; ++j) r_pad[j] = r_in[std::min(i + j, count - 1)];
    vector(r_pad, out_pad);
    for (std::size_t j = 0; i + j < count; ++j) out[i + j] = out_pad[j];
  }
}

}  // namespace HWY_NAMESPACE
}  // namespace caustix
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace caustix {

HWY_EXPORT(RingComplementaryBatch);

void _heyrovsky_magnification_complementary(double l, std::span<const double> r, double re, double rstar,
                                            std::span<double> out) noexcept {
  HWY_DYNAMIC_DISPATCH(RingComplementaryBatch)(l, r.data(), re, rstar, out.data(), out.size());
}

}  // namespace caustix
#endif
