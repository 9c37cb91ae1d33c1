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
// Stopping: after each level the error is estimated from the changes of the
// last two levels, which quadratic convergence in the level makes about the
// square of the last change (Bailey's estimate, tanh_sinh_error below). The
// quadrature stops when the estimate is at most the absolute target, or at
// most `rounding` times the integral of |f| (the rounding level of the sum:
// an integral of order 1 can never meet a target of 1e-16 in double
// precision), or at `max_level`. Each tail is cut, for the rest of the
// quadrature, at its first node (from t = 2.5 on) whose term is below 2^-53
// of the sum of |terms|. Endpoint singularities
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

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <limits>
#include <span>
#include <type_traits>
#include <vector>

namespace caustix {

struct QuadratureResult {
  double integral;
  double error;             // estimate of the absolute error
  std::size_t evaluations;  // number of calls of f
};

namespace detail {

struct TanhSinhNode {
  double t;
  double distance;  // 1 - |x(t)|, the node's distance from an end on [-1, 1]
  double weight;    // x'(t)
};

struct TanhSinhTable {
  static constexpr int levels = 12;
  // The truncation of the t axis: at t = 4 the distance 1 - |x| is about
  // 1e-37, so that even 1/sqrt(x) at an end leaves out only about 1e-18.
  static constexpr double t_max = 4.0;
  double centre_weight;  // x'(0)
  // levels[0]: t = 1, 2, ... up to the truncation; level k: t = (2j - 1) 2^-k.
  std::vector<TanhSinhNode> nodes[levels + 1];
};

const TanhSinhTable& tanh_sinh_table();

// A tail is cut only from t = 2.5 on (within 1e-8 of an end, relative to
// the half-width), so that an integrand that vanishes in the middle of the
// interval is not cut, where its term is below tail times the sum of |terms|.
inline constexpr double tanh_sinh_tail_start = 2.5;
inline constexpr double tanh_sinh_tail = 1.1102230246251565e-16;  // 2^-53

// The error estimate of the latest level's integral from the last three
// levels (Bailey, Jeyabalan & Li 2005): tanh-sinh doubles its correct
// digits per level, so with d1 and d2 the changes from the last two levels,
// relative to the sum of |terms| (scale), the error is about
// d1^(log d1 / log d2), and at least d1^2 (and a few units in the last
// place of the sum). Before quadratic convergence has
// set in (d1 not below d2, or no level before the last), the last change.
inline double tanh_sinh_error(double integral, double last, double before, double scale) {
  // Below a few units in the last place of the sum the changes are rounding.
  const double floor = 4.0 * 2.220446049250313e-16 * scale;
  const double d1 = std::abs(integral - last);
  if (!(scale > 0.0)) return d1;
  const double r1 = d1 / scale, r2 = std::abs(integral - before) / scale;
  if (!(r1 < r2 && r2 < 1.0) || r1 == 0.0) return std::max(d1, floor);
  const double log_r1 = std::log(r1);
  return std::max(scale * std::max(std::exp(log_r1 * log_r1 / std::log(r2)), r1 * r1), floor);
}

}  // namespace detail

// How a level's error is estimated: by the change from the previous level,
// or by Bailey's estimate from the last two changes (tanh_sinh_error), for
// integrands smooth enough to converge quadratically in the level.
enum class TanhSinhEstimate { last_change, quadratic };

inline constexpr int tanh_sinh_max_level = 7;

// A batch integrand f(x, y) fills y[i] = f(x[i]); it is handed at most
// 2 * tanh_sinh_batch_nodes abscissas at a time, all strictly inside the
// interval.
inline constexpr std::size_t tanh_sinh_batch_nodes = 128;
inline constexpr double tanh_sinh_rounding = 1e-12;

template <class F>
QuadratureResult tanh_sinh(F&& f, double a, double b, double tolerance,
                           int max_level = tanh_sinh_max_level,
                           double rounding = tanh_sinh_rounding,
                           TanhSinhEstimate estimate = TanhSinhEstimate::last_change) {
  const detail::TanhSinhTable& table = detail::tanh_sinh_table();
  if (max_level > detail::TanhSinhTable::levels) max_level = detail::TanhSinhTable::levels;
  const double c = 0.5 * (a + b);
  const double h = 0.5 * (b - a);
  std::size_t evaluations = 0;
  // f over a batch of abscissas: a batch integrand directly, a scalar one
  // point by point.
  auto evaluate = [&](std::span<const double> x, std::span<double> y) {
    evaluations += x.size();
    if constexpr (std::is_invocable_v<F&, std::span<const double>, std::span<double>>) {
      f(x, y);
    } else {
      for (std::size_t i = 0; i < x.size(); ++i) y[i] = f(x[i]);
    }
  };
  // sum and sum of magnitudes of weight * f over all nodes so far
  double sum = 0.0, magnitude = 0.0;
  // Each tail ends, for this level and the later ones, at the first node
  // from t = tail_start on whose term is finite and below the rounding of
  // the sum: the terms beyond fall doubly exponentially.
  double left_end = detail::TanhSinhTable::t_max, right_end = detail::TanhSinhTable::t_max;
  // A level's nodes are evaluated in batches of up to batch_nodes nodes
  // (both sides), then added in node order; a level's terms are summed apart
  // and then added, which keeps the rounding of thousands of terms down. A
  // node that rounds onto an end is not evaluated and counts as zero, as
  // does a non-finite value.
  constexpr std::size_t batch_nodes = tanh_sinh_batch_nodes;
  auto finish_level = [&](double level_sum, double level_magnitude) {
    sum += level_sum;
    magnitude += level_magnitude;
  };
  auto add_level = [&](const std::vector<detail::TanhSinhNode>& nodes) {
    double level_sum = 0.0, level_magnitude = 0.0;
    std::array<double, 2 * batch_nodes> x, y;
    std::array<int, 2 * batch_nodes> slot;  // per node and side: its place in x, or -1
    for (std::size_t first = 0; first < nodes.size(); first += batch_nodes) {
      const std::size_t last = std::min(first + batch_nodes, nodes.size());
      std::size_t count = 0;
      for (std::size_t k = first; k < last; ++k) {
        const double offset = h * nodes[k].distance;
        const double left = a + offset, right = b - offset;
        const bool in_left = nodes[k].t < left_end && a < left && left < b;
        const bool in_right = nodes[k].t < right_end && a < right && right < b;
        slot[2 * (k - first)] = in_left ? static_cast<int>(count) : -1;
        if (in_left) x[count++] = left;
        slot[2 * (k - first) + 1] = in_right ? static_cast<int>(count) : -1;
        if (in_right) x[count++] = right;
      }
      evaluate(std::span<const double>(x.data(), count), std::span<double>(y.data(), count));
      for (std::size_t k = first; k < last; ++k) {
        const detail::TanhSinhNode& node = nodes[k];
        const bool left = node.t < left_end, right = node.t < right_end;
        if (!left && !right) return finish_level(level_sum, level_magnitude);
        // A value and whether it was finite, for one side of the node.
        auto side = [&](bool open, int at, double& value) {
          value = 0.0;
          if (!open || at < 0) return open;
          if (!std::isfinite(y[at])) return false;
          value = y[at];
          return true;
        };
        double y_left, y_right;
        const bool finite_left = side(left, slot[2 * (k - first)], y_left);
        const bool finite_right = side(right, slot[2 * (k - first) + 1], y_right);
        level_sum += node.weight * (y_left + y_right);
        level_magnitude += node.weight * (std::abs(y_left) + std::abs(y_right));
        if (node.t >= detail::tanh_sinh_tail_start) {
          const double negligible = detail::tanh_sinh_tail * (magnitude + level_magnitude);
          if (finite_left && node.weight * std::abs(y_left) <= negligible) left_end = node.t;
          if (finite_right && node.weight * std::abs(y_right) <= negligible) right_end = node.t;
        }
      }
    }
    finish_level(level_sum, level_magnitude);
  };
  double centre = 0.0;
  if (a < c && c < b) {
    const double point[1] = {c};
    evaluate(point, std::span<double>(&centre, 1));
    if (!std::isfinite(centre)) centre = 0.0;
  }
  sum = table.centre_weight * centre;
  magnitude = std::abs(sum);
  add_level(table.nodes[0]);
  double step = 1.0;
  double integral = h * sum;
  double previous = std::numeric_limits<double>::quiet_NaN();  // the level before
  double error = std::numeric_limits<double>::infinity();
  for (int level = 1; level <= max_level; ++level) {
    add_level(table.nodes[level]);
    step *= 0.5;
    const double next = h * step * sum;
    const double scale = h * step * magnitude;
    // Levels 0 to 2 (steps 1 to 1/4) are too coarse for the convergence to
    // show its quadratic rate: there the last change is the estimate.
    error = estimate == TanhSinhEstimate::quadratic && level >= 3
                ? detail::tanh_sinh_error(next, integral, previous, scale)
                : std::abs(next - integral);
    previous = integral;
    integral = next;
    if (error <= tolerance || error <= rounding * scale) break;
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
                                  double rounding = tanh_sinh_rounding,
                                  TanhSinhEstimate estimate = TanhSinhEstimate::last_change) {
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
    const QuadratureResult piece = tanh_sinh(f, start, end, tolerance, max_level, rounding, estimate);
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
