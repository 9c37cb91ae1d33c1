#include "lightcurves/flux_map.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace caustix {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

struct ProfileCase {
  const char* what;
  std::vector<double> bl, bf;
  double r, expected;  // NaN: the result is NaN
};

TEST(FluxMapProfile, EveryBranch) {
  const std::vector<double> bl = {0.0, 0.5, 1.0}, bf = {1.0, 0.8, 0.2};
  const double below = std::nextafter(0.0, -1.0), above = std::nextafter(1.0, 2.0);
  const ProfileCase cases[] = {
      {"empty map", {}, {}, 0.5, 0.0},
      {"one entry, anywhere", {0.3}, {2.5}, -7.0, 2.5},
      {"one entry, at its radius", {0.3}, {2.5}, 0.3, 2.5},
      {"first radius", bl, bf, 0.0, 1.0},
      {"just below the first", bl, bf, below, 0.0},
      {"last radius", bl, bf, 1.0, 0.2},
      {"just above the last", bl, bf, above, 0.0},
      {"first segment", bl, bf, 0.25, 0.9},
      {"second segment", bl, bf, 0.75, 0.5},
      {"interior radius: the left segment's line", bl, bf, 0.5, -0.4 * 0.5 + 1.0},
      {"step at a repeated radius, left", {0.0, 0.5, 0.5, 1.0}, {1.0, 1.0, 3.0, 3.0}, 0.4999, 1.0},
      {"step at a repeated radius, right", {0.0, 0.5, 0.5, 1.0}, {1.0, 1.0, 3.0, 3.0}, 0.5001, 3.0},
      {"NaN brightness on its segment", bl, {1.0, nan, 0.2}, 0.25, nan},
      {"NaN brightness at the first radius", {0.0, 1.0}, {nan, 1.0}, 0.0, nan},
      {"NaN brightness leaves other segments", {0.0, 0.5, 1.0, 1.5}, {1.0, 1.0, 1.0, nan}, 0.25, 1.0},
      {"NaN radius", bl, bf, nan, nan},
  };
  for (const auto& c : cases) {
    const FluxMapProfile profile(c.bl, c.bf);
    const double got = profile(c.r);
    if (std::isnan(c.expected)) {
      EXPECT_TRUE(std::isnan(got)) << c.what << ": " << got;
    } else {
      EXPECT_DOUBLE_EQ(got, c.expected) << c.what;
    }
  }
}

TEST(FluxMapProfile, SlopeInterceptFormAtInteriorRadii) {
  // The left segment's line at bl[1]: m r + c, which need not be bf[1] exactly.
  const std::vector<double> bl = {0.1, 0.3, 0.7}, bf = {0.3, 0.7, 0.1};
  const FluxMapProfile profile(bl, bf);
  const double slope = (0.7 - 0.3) / (0.3 - 0.1);
  EXPECT_EQ(profile(0.3), slope * 0.3 + (0.3 - slope * 0.1));
}

TEST(FluxMapProfile, UnorderedRadiiStayFinite) {
  const std::vector<double> bl = {0.9, 0.1, 0.5, 0.3}, bf = {1.0, 2.0, 3.0, 4.0};
  const FluxMapProfile profile(bl, bf);
  for (double r = -0.5; r <= 1.5; r += 0.01) EXPECT_TRUE(std::isfinite(profile(r))) << r;
}

TEST(FluxMapNorm, IsTheDiskFlux) {
  const std::vector<double> one = {0.4}, two = {2.0};
  EXPECT_NEAR(flux_map_norm(FluxMapProfile(one, two)), 2.0 * 3.141592653589793, 1e-14);
  const std::vector<double> ends = {0.0, 1.0}, falling = {1.0, 0.0};
  EXPECT_NEAR(flux_map_norm(FluxMapProfile(ends, falling)), 3.141592653589793 / 3, 1e-15);
  EXPECT_EQ(flux_map_norm(FluxMapProfile({}, {})), 0.0);
}

}  // namespace
}  // namespace caustix
