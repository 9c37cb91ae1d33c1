#include "kernels/ring.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <tuple>

#include "reference.h"

namespace caustix {
namespace {

// The closed form in complementary parameters, which the ring-integrated
// light curves use, against the mpmath ring means: accurate near the ring
// too, where the kernel switches to its expansion.
TEST(RingComplementary, AgreesWithTheRingMeanByQuadrature) {
  double worst = 0.0;
  std::string at;
  for (const auto& row : testing::read_table("ring.csv")) {
    const double value = _heyrovsky_magnification_complementary(row.number("l"), row.number("r"),
                                                                row.number("re"), row.number("rstar"));
    const double error = std::abs(value - row.number("value")) / row.number("value");
    if (error > worst) {
      worst = error;
      at = row.text("region") + " l=" + row.text("l") + " r=" + row.text("r");
    }
  }
  EXPECT_LE(worst, 1e-14) << "worst at " << at;
}

TEST(RingComplementary, SpecialPoints) {
  const double eps = 0.1;
  // At the centre: the point-lens magnification at distance r / eps.
  const double x = 0.5 / eps;
  EXPECT_NEAR(_heyrovsky_magnification_complementary(0.0, 0.5, eps, 1.0),
              (x * x + 2.0) / (x * std::sqrt(x * x + 4.0)), 1e-15);
  EXPECT_EQ(_heyrovsky_magnification_complementary(0.5, 0.5, eps, 1.0), std::numeric_limits<double>::infinity());
  for (const auto& [l, r, re] : {std::tuple{-0.5, 0.5, 1.0}, std::tuple{std::nan(""), 0.5, 1.0},
                                std::tuple{0.5, 0.5, std::nan("")}, std::tuple{std::numeric_limits<double>::infinity(), 0.5, 1.0}}) {
    EXPECT_TRUE(std::isnan(_heyrovsky_magnification_complementary(l, r, re, 1.0))) << l << " " << r << " " << re;
  }
}

}  // namespace
}  // namespace caustix
