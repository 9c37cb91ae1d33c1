// Double-exponential (tanh-sinh) quadrature of f over a finite interval
// [a, b] (Takahasi & Mori 1974; Bailey, Jeyabalan & Li 2005):
//
//   int_a^b f = (b - a)/2 int_R f(c + (b - a)/2 x(t)) x'(t) dt,
//   x(t) = tanh(pi/2 sinh t), c = (a + b)/2,
//
// by the trapezoidal rule in t with step 2^-level, halving the step level by
// level and reusing every earlier node. Nodes lie strictly inside (a, b): the
// table keeps their distances to the ends, 1 - |x|, and a node that rounds
// onto an end is skipped. Every non-finite value of f counts as zero.
//
// Stopping: after each level the error estimate is the change from the
// previous level. The quadrature stops when the estimate is at most the
// absolute target, or at most `rounding` times the integral of |f| (the
// rounding level of the sum: an integral of order 1 can never meet a target
// of 1e-16 in double precision), or at `max_level`. Endpoint singularities
// such as log x or 1/sqrt(x) converge as fast as smooth integrands; a kink
// or a step inside the interval slows convergence to first order, so split
// the interval there.
//
// Why not Boost.Math's tanh_sinh: it stops on a relative tolerance, treats
// non-finite values as errors, and its default of 15 levels makes every
// integral that cannot reach 1e-16 cost some 10^5 evaluations.
//
// Tables are computed once, on first use (thread-safe static
// initialisation), and are read-only afterwards; any number of threads may
// integrate at once.
#pragma once

#include <cmath>
#include <cstddef>
#include <limits>
#include <span>
#include <vector>

namespace caustix {

struct QuadratureResult {
  double integral;
  double error;             // estimate of the absolute error
  std::size_t evaluations;  // number of calls of f
};

namespace detail {

struct TanhSinhNode {
  double distance;  // 1 - |x(t)|, the node's distance from an end on [-1, 1]
  double weight;    // x'(t)
};

struct TanhSinhTable {
  static constexpr int levels = 12;
  double centre_weight;  // x'(0)
  // levels[0]: t = 1, 2, ... up to the truncation; level k: t = (2j - 1) 2^-k.
  std::vector<TanhSinhNode> nodes[levels + 1];
};

const TanhSinhTable& tanh_sinh_table();

}  // namespace detail

inline constexpr int tanh_sinh_max_level = 7;
inline constexpr double tanh_sinh_rounding = 1e-12;

template <class F>
QuadratureResult tanh_sinh(F&& f, double a, double b, double tolerance,
                           int max_level = tanh_sinh_max_level,
                           double rounding = tanh_sinh_rounding) {
  const detail::TanhSinhTable& table = detail::tanh_sinh_table();
  if (max_level > detail::TanhSinhTable::levels) max_level = detail::TanhSinhTable::levels;
  const double c = 0.5 * (a + b);
  const double h = 0.5 * (b - a);
  std::size_t evaluations = 0;
  auto value = [&](double x) {
    if (!(a < x && x < b)) return 0.0;
    ++evaluations;
    const double y = f(x);
    return std::isfinite(y) ? y : 0.0;
  };
  // sum and sum of magnitudes of weight * f over all nodes so far
  double sum = 0.0, magnitude = 0.0;
  auto add_level = [&](const std::vector<detail::TanhSinhNode>& nodes) {
    for (const detail::TanhSinhNode& node : nodes) {
      const double offset = h * node.distance;
      const double left = value(a + offset), right = value(b - offset);
      sum += node.weight * (left + right);
      magnitude += node.weight * (std::abs(left) + std::abs(right));
    }
  };
  const double centre = value(c);
  sum = table.centre_weight * centre;
  magnitude = std::abs(sum);
  add_level(table.nodes[0]);
  double step = 1.0;
  double integral = h * sum;
  double error = std::numeric_limits<double>::infinity();
  for (int level = 1; level <= max_level; ++level) {
    add_level(table.nodes[level]);
    step *= 0.5;
    const double next = h * step * sum;
    error = std::abs(next - integral);
    integral = next;
    if (error <= tolerance || error <= rounding * (h * step * magnitude)) break;
  }
  return {integral, error, evaluations};
}

// The integral over [a, b] taken in pieces that end at the given break
// points: those strictly inside (a, b), in increasing order, repeats
// dropped. Pieces are integrated left to right and their results added
// (errors and evaluations too). With no break point inside, one piece.
template <class F>
QuadratureResult tanh_sinh_pieces(F&& f, double a, double b, std::span<double> breaks,
                                  double tolerance, int max_level = tanh_sinh_max_level,
                                  double rounding = tanh_sinh_rounding) {
  // Keep the points inside, in increasing order (insertion: a handful).
  std::size_t count = 0;
  for (const double x : breaks) {
    if (!(a < x && x < b)) continue;
    std::size_t i = count++;
    for (; i > 0 && breaks[i - 1] > x; --i) breaks[i] = breaks[i - 1];
    breaks[i] = x;
  }
  QuadratureResult total{0.0, 0.0, 0};
  double start = a;
  const auto add = [&](double end) {
    const QuadratureResult piece = tanh_sinh(f, start, end, tolerance, max_level, rounding);
    total.integral += piece.integral;
    total.error += piece.error;
    total.evaluations += piece.evaluations;
    start = end;
  };
  for (std::size_t i = 0; i < count; ++i) {
    if (start < breaks[i]) add(breaks[i]);
  }
  add(b);
  return total;
}

}  // namespace caustix
