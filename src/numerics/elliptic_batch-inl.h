// Bulirsch's iteration for E, K and Pi (numerics/elliptic.cpp) in SIMD
// lanes, for the batch kernels: each lane does the scalar iteration's
// arithmetic in its order and stops where the scalar iteration stops; the
// loop runs until the last active lane has converged, and a converged lane
// keeps its values (masked updates). Included once per Highway target.
#if defined(CAUSTIX_ELLIPTIC_BATCH_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef CAUSTIX_ELLIPTIC_BATCH_INL_H_
#undef CAUSTIX_ELLIPTIC_BATCH_INL_H_
#else
#define CAUSTIX_ELLIPTIC_BATCH_INL_H_
#endif

#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace caustix {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

template <class D>
struct EllipticLanes {
  hn::Vec<D> e, k, pi;
};

// kc = sqrt(1 - m), and for Pi the start (p2, ap, bp) = (sqrt(1 - n), 1,
// 1 / p2); lanes outside `active` are computed but meaningless.
template <class D>
HWY_INLINE EllipticLanes<D> BulirschLanes(D tag, hn::Vec<D> kc, hn::Vec<D> p2, hn::Vec<D> ap, hn::Vec<D> bp,
                                          hn::Mask<D> active) {
  using V = hn::Vec<D>;
  const V one = hn::Set(tag, 1.0), two = hn::Set(tag, 2.0);
  const V half_pi = hn::Set(tag, 1.5707963267948966), tolerance = hn::Set(tag, 1e-9);
  V e = kc, em = one, p1 = one, ak = one, bk = one, ae = one, be = hn::Mul(kc, kc);
  for (int step = 0; step < 40 && !hn::AllFalse(tag, active); ++step) {
    const V r1 = hn::Div(one, p1), r2 = hn::Div(one, p2);
    const V g1 = hn::Mul(e, r1), g2 = hn::Mul(e, r2);
    const V ak_next = hn::Add(ak, hn::Mul(bk, r1));
    const V bk_next = hn::Mul(two, hn::Add(bk, hn::Mul(ak, g1)));
    const V ae_next = hn::Add(ae, hn::Mul(be, r1));
    const V be_next = hn::Mul(two, hn::Add(be, hn::Mul(ae, g1)));
    const V ap_next = hn::Add(ap, hn::Mul(bp, r2));
    const V bp_next = hn::Mul(two, hn::Add(bp, hn::Mul(ap, g2)));
    const V previous = em;
    ak = hn::IfThenElse(active, ak_next, ak);
    bk = hn::IfThenElse(active, bk_next, bk);
    ae = hn::IfThenElse(active, ae_next, ae);
    be = hn::IfThenElse(active, be_next, be);
    ap = hn::IfThenElse(active, ap_next, ap);
    bp = hn::IfThenElse(active, bp_next, bp);
    p1 = hn::IfThenElse(active, hn::Add(p1, g1), p1);
    p2 = hn::IfThenElse(active, hn::Add(p2, g2), p2);
    em = hn::IfThenElse(active, hn::Add(em, kc), em);
    const auto converged = hn::Le(hn::Abs(hn::Sub(previous, kc)), hn::Mul(previous, tolerance));
    active = hn::AndNot(converged, active);
    kc = hn::Mul(two, hn::Sqrt(e));
    e = hn::Mul(kc, em);
  }
  const V s1 = hn::Div(half_pi, hn::Mul(em, hn::Add(em, p1)));
  const V s2 = hn::Div(half_pi, hn::Mul(em, hn::Add(em, p2)));
  return {hn::Mul(hn::Add(be, hn::Mul(ae, em)), s1), hn::Mul(hn::Add(bk, hn::Mul(ak, em)), s1),
          hn::Mul(hn::Add(bp, hn::Mul(ap, em)), s2)};
}

}  // namespace HWY_NAMESPACE
}  // namespace caustix
HWY_AFTER_NAMESPACE();

#endif
