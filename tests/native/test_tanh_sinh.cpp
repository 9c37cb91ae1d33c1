#include "numerics/tanh_sinh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <thread>
#include <vector>

namespace caustix {
namespace {

constexpr double pi = 3.141592653589793;

struct ClosedForm {
  const char* name;
  std::function<double(double)> f;
  double a, b, exact;
};

// Integrals with known values, endpoint singularities among them.
TEST(TanhSinh, ClosedForms) {
  const ClosedForm cases[] = {
      {"1", [](double) { return 1.0; }, 0.0, 1.0, 1.0},
      {"x^3 - 2x", [](double x) { return x * x * x - 2.0 * x; }, -1.0, 2.0, 0.75},
      {"x^7", [](double x) { return std::pow(x, 7); }, 0.0, 1.0, 0.125},
      {"sqrt(1 - x^2)", [](double x) { return std::sqrt(1.0 - x * x); }, -1.0, 1.0, pi / 2},
      {"log x", [](double x) { return std::log(x); }, 0.0, 1.0, -1.0},
      {"1/sqrt(x)", [](double x) { return 1.0 / std::sqrt(x); }, 0.0, 1.0, 2.0},
      {"log(1 - x)", [](double x) { return std::log1p(-x); }, 0.0, 1.0, -1.0},
      {"exp(x)", [](double x) { return std::exp(x); }, 0.0, 3.0, std::expm1(3.0)},
      {"1/(1 + x^2)", [](double x) { return 1.0 / (1.0 + x * x); }, 0.0, 1.0, pi / 4},
  };
  for (const auto& c : cases) {
    const auto result = tanh_sinh(c.f, c.a, c.b, 1e-16);
    const double error = std::abs(result.integral - c.exact);
    // Nodes within rounding of an end are skipped, which costs a few units
    // in the last place.
    EXPECT_LE(error, 3e-15 * std::max(1.0, std::abs(c.exact))) << c.name << " = " << result.integral;
    // The estimate bounds the true error, up to rounding of the sum.
    EXPECT_LE(error, std::max(result.error, 3e-15 * std::abs(c.exact))) << c.name;
    EXPECT_LT(result.error, 1e-12) << c.name;
    EXPECT_GT(result.evaluations, 0u);
  }
}

TEST(TanhSinh, ErrorEstimateBoundsTheTrueError) {
  // Stopped early, at fixed levels, on an integrand with a nearby pole. The
  // estimate is the last change, which convergence makes pessimistic.
  auto f = [](double x) { return 1.0 / (x + 0.01); };
  const double exact = std::log(101.0);
  double previous_error = 1.0;
  for (int level = 1; level <= 4; ++level) {
    const auto result = tanh_sinh(f, 0.0, 1.0, 0.0, level, 0.0);
    const double error = std::abs(result.integral - exact);
    EXPECT_LE(error, result.error) << "level " << level;
    EXPECT_LT(error, previous_error) << "level " << level;
    previous_error = error;
  }
  EXPECT_LT(previous_error, 1e-14);
}

TEST(TanhSinh, NonFiniteValuesCountAsZero) {
  // 1 everywhere but NaN on the left half and +inf on the right quarter.
  auto f = [](double x) {
    if (x < 0.5) return std::numeric_limits<double>::quiet_NaN();
    if (x > 0.75) return std::numeric_limits<double>::infinity();
    return 1.0;
  };
  const auto result = tanh_sinh(f, 0.0, 1.0, 1e-16);
  EXPECT_TRUE(std::isfinite(result.integral));
  EXPECT_NEAR(result.integral, 0.25, 1e-2);
  auto nan = [](double) { return std::numeric_limits<double>::quiet_NaN(); };
  EXPECT_EQ(tanh_sinh(nan, 0.0, 1.0, 1e-16).integral, 0.0);
}

TEST(TanhSinh, NodesStayStrictlyInside) {
  for (auto [a, b] : {std::pair{0.0, 1.0}, std::pair{0.3, 0.30001}, std::pair{-2.0, 5.0}}) {
    std::size_t calls = 0;
    auto f = [&, a = a, b = b](double x) {
      ++calls;
      EXPECT_GT(x, a);
      EXPECT_LT(x, b);
      return 1.0;
    };
    const auto result = tanh_sinh(f, a, b, 0.0, 10, 0.0);
    EXPECT_EQ(result.evaluations, calls);
    // Up to the skipped nodes that round onto an end: a few units in the
    // last place of the ends.
    EXPECT_NEAR(result.integral, b - a, 3e-15 * (b - a) + 4 * std::max(std::abs(a), std::abs(b)) * 1.1e-16);
  }
}

TEST(TanhSinh, ThreadSafeFirstUse) {
  // Several threads make the first use of the node tables at once.
  std::vector<std::thread> threads;
  std::vector<double> results(8);
  for (std::size_t i = 0; i < results.size(); ++i) {
    threads.emplace_back([&, i] { results[i] = tanh_sinh([](double x) { return std::log(x); }, 0.0, 1.0, 1e-16).integral; });
  }
  for (auto& t : threads) t.join();
  for (double r : results) EXPECT_EQ(r, results[0]);
}

}  // namespace
}  // namespace caustix
