#include "numerics/tanh_sinh.h"

namespace caustix::detail {

namespace {

constexpr double half_pi = 1.5707963267948966;

// Truncation of the t axis. At t = 4 the distance 1 - |x| is about 1e-37,
// so that even 1/sqrt(x) at an end leaves out only about 1e-18.
constexpr double t_max = 4.0;

TanhSinhNode node_at(double t) {
  const double s = half_pi * std::sinh(t);
  const double ch = std::cosh(s);
  // 1 - tanh(s) = 1 / (e^s cosh s), without cancellation.
  return {t, 1.0 / (std::exp(s) * ch), half_pi * std::cosh(t) / (ch * ch)};
}

TanhSinhTable make_table() {
  TanhSinhTable table;
  table.centre_weight = half_pi;
  for (int k = 1; k <= t_max; ++k) table.nodes[0].push_back(node_at(k));
  for (int level = 1; level <= TanhSinhTable::levels; ++level) {
    const double step = std::ldexp(1.0, -level);
    for (int j = 1; (2 * j - 1) * step <= t_max; ++j) table.nodes[level].push_back(node_at((2 * j - 1) * step));
  }
  return table;
}

}  // namespace

const TanhSinhTable& tanh_sinh_table() {
  // Built by the first caller, under the thread-safe initialisation of a
  // function-local static; read-only afterwards.
  static const TanhSinhTable table = make_table();
  return table;
}

}  // namespace caustix::detail
