// Piecewise-linear interpolation in a table (x[i], y[i]) of two or more
// entries, x non-decreasing, with a constant value outside it:
//
//   f(x[0]) = y[0], f(x[n-1]) = y[n-1] (tested first, in this order),
//   f(x) = outside for x < x[0] or x > x[n-1],
//   f(x) = m_i x + c_i otherwise, on the segment i = k - 1 (kept within
//   [0, n-2]) where k is the number of table abscissas strictly below x.
//
// The line is evaluated in slope-intercept form, with the slopes and
// intercepts computed once at construction: m_i = (y[i+1] - y[i]) /
// (x[i+1] - x[i]), c_i = y[i] - m_i x[i]. At an interior abscissa the left
// segment's line is taken, which can differ from y[i] in the last bits.
// Repeated abscissas make a step: a zero-width segment is never selected.
// For abscissas out of order the segment found is unspecified (but valid).
//
// The table refers to x without copying it; x must outlive it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <span>
#include <vector>

namespace caustix {

class PiecewiseLinear {
 public:
  // Requires x.size() == y.size() >= 2.
  PiecewiseLinear(std::span<const double> x, std::span<const double> y, double outside)
      : x_(x), y_front_(y.front()), y_back_(y.back()), outside_(outside) {
    lines_.reserve(x.size() - 1);
    for (std::size_t i = 0; i + 1 < x.size(); ++i) {
      const double slope = (y[i + 1] - y[i]) / (x[i + 1] - x[i]);
      lines_.push_back({slope, y[i] - slope * x[i]});
    }
  }

  double operator()(double r) const {
    if (r == x_.front()) return y_front_;
    if (r < x_.front()) return outside_;
    if (r == x_.back()) return y_back_;
    if (r > x_.back()) return outside_;
    const auto k = static_cast<std::ptrdiff_t>(std::lower_bound(x_.begin(), x_.end(), r) - x_.begin());
    const std::size_t i = static_cast<std::size_t>(std::clamp<std::ptrdiff_t>(k - 1, 0, std::ssize(lines_) - 1));
    return lines_[i].slope * r + lines_[i].intercept;
  }

 private:
  struct Line {
    double slope, intercept;
  };
  std::span<const double> x_;
  double y_front_, y_back_, outside_;
  std::vector<Line> lines_;
};

}  // namespace caustix
