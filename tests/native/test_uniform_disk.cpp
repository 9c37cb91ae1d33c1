#include "kernels/uniform_disk.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <string>

#include "reference.h"

namespace caustix {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double pi = 3.141592653589793;

// Relative tolerance by region of the reference table. Far from the disk the
// three elliptic terms cancel to about 1, so the error grows like (u/rho)^2;
// just outside the rim window n is within ~1e-6 of 1 and the terms cancel
// too; the rim value's arcsine loses digits as rho becomes small.
const std::map<std::string, double> tolerance = {
    {"centre", 1e-15}, {"inside", 5e-14}, {"outside", 5e-14}, {"far", 5e-12},
    {"rim-edge", 1e-9}, {"rim", 2e-12},
};

TEST(UniformDisk, AgreesWithDiskMeanByQuadrature) {
  std::map<std::string, std::pair<double, std::string>> worst;
  for (const auto& row : testing::read_table("uniform_disk.csv")) {
    const double u = row.number("u"), rho = row.number("rho"), expected = row.number("value");
    const double got = witt_mao_magnification_scaled(u, rho);
    const double error = std::abs(got - expected) / expected;
    auto& [w, at] = worst[row.text("region")];
    if (error >= w) {
      w = error;
      at = "u=" + row.text("u") + " rho=" + row.text("rho");
    }
  }
  for (const auto& [region, w] : worst) {
    EXPECT_LE(w.first, tolerance.at(region)) << region << ": worst at " << w.second;
  }
}

TEST(UniformDisk, SpecialPoints) {
  struct Case {
    double u, rho, expected;
    const char* what;
  } cases[] = {
      {1.0, 1.0, (pi + 2.0) / pi, "lens on the rim of rho = 1"},
      {1.0009, 1.0, (pi + 2.0) / pi, "inside the rim window"},
      {0.0, 1.0, std::sqrt(5.0), "centre, rho = 1"},
      {0.0, 0.1, std::sqrt(401.0), "centre, rho = 0.1"},
      {-0.0, 0.1, std::sqrt(401.0), "-0.0 behaves as 0"},
      {1.0, 0.0, 3.0 / std::sqrt(5.0), "point source"},
      {-1.0, -2.0, -3.0 / std::sqrt(5.0), "point source, negative u"},
      {0.0, 0.0, inf, "point source at the lens"},
      {-0.0, 0.0, -inf, "point source at -0.0"},
      {1e9, 0.0, 1.0, "distant point source"},
      {1e154, 0.0, 1.0, "distant point source before overflow"},
  };
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(witt_mao_magnification_scaled(c.u, c.rho), c.expected) << c.what;
  }
}

TEST(UniformDisk, RimWindowEdges) {
  // rho = 1: half-width 0.001. Inside it the rim value, just outside the
  // elliptic value about 0.3 % lower.
  const double rim = (pi + 2.0) / pi;
  EXPECT_EQ(witt_mao_magnification_scaled(1.0 + 0.000999, 1.0), rim);
  const double outside = witt_mao_magnification_scaled(1.0 + 0.0010001, 1.0);
  EXPECT_NEAR(outside, 1.63, 0.01);
  EXPECT_LT(outside, rim);
  // rho = 0.001: the floor 1e-5 of the half-width, a step of about 3 %.
  EXPECT_NEAR(witt_mao_magnification_scaled(0.001 + 0.99e-5, 0.001), 1.273e3, 1.0);
  EXPECT_NEAR(witt_mao_magnification_scaled(0.001 + 1.01e-5, 0.001), 1.24e3, 10.0);
  // rho below 1e-5: the centre lies in the window.
  EXPECT_NEAR(witt_mao_magnification_scaled(0.0, 1e-6), 4.0 / (pi * 1e-6), 1e3);
  EXPECT_EQ(witt_mao_magnification_scaled(-3e-6, 1e-6), witt_mao_magnification_scaled(1e-6, 1e-6));
  // Below 2^-27 the rim value evaluates to 2 / (pi rho).
  EXPECT_DOUBLE_EQ(witt_mao_magnification_scaled(1e-10, 1e-10), 2.0 / (pi * 1e-10));
}

TEST(UniformDisk, NonFiniteAndNegativeInputsGiveNaN) {
  const std::pair<double, double> cases[] = {
      {nan, 0.1}, {0.5, nan}, {0.5, inf}, {inf, 0.1}, {-0.5, 0.1}, {1e155, 0.0}, {inf, 0.0},
  };
  for (auto [u, rho] : cases) {
    EXPECT_TRUE(std::isnan(witt_mao_magnification_scaled(u, rho))) << "u=" << u << " rho=" << rho;
  }
}

TEST(UniformDisk, ExampleValues) {
  EXPECT_NEAR(witt_mao_magnification_scaled(0.5, 0.1), 2.19, 0.005);
  EXPECT_NEAR(witt_mao_magnification_scaled(2.0, 1.0), 1.08, 0.005);
  EXPECT_NEAR(witt_mao_magnification_scaled(0.3, 1.0), 2.20, 0.005);
}

}  // namespace
}  // namespace caustix
