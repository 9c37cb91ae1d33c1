#include "numerics/elliptic.h"

#include <gtest/gtest.h>

#include <cmath>
#include <format>
#include <limits>
#include <string>

#include "reference.h"

namespace caustix {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

std::string describe(const Outcome<double>& outcome) {
  if (outcome) return "value " + std::to_string(*outcome);
  return "failure \"" + std::string(outcome.error().message) + "\"";
}

struct OutcomeCase {
  const char* integral;
  double n, m;
  const char* failure;  // nullptr: success
  double value;         // expected value on success; NaN: any finite value
};

Outcome<double> evaluate(const OutcomeCase& c) {
  const std::string which = c.integral;
  if (which == "K") return ellipk(c.m);
  if (which == "E") return ellipe(c.m);
  return ellippi(c.n, c.m);
}

// Every row of the outcome table the kernels rely on.
TEST(Elliptic, OutcomeTable) {
  const OutcomeCase cases[] = {
      {"K", 0, nan, "ellipk: Arguments cannot be NAN.", 0},
      {"K", 0, 1.5, "ellipk: m must not be greater than 1.", 0},
      {"K", 0, inf, "ellipk: m must not be greater than 1.", 0},
      {"K", 0, 1.0, nullptr, inf},
      {"K", 0, 0.0, nullptr, 1.5707963267948966},
      {"E", 0, nan, "ellipe: Arguments cannot be NAN.", 0},
      {"E", 0, 0.0, nullptr, 1.5707963267948966},
      {"E", 0, 1.0, nullptr, 1.0},
      {"Pi", 1.0, 0.5, "ellippi: n cannot be 1.", 0},
      {"Pi", 1.0, nan, "ellippi: n cannot be 1.", 0},
      {"Pi", 1.0, 2.0, "ellippi: n cannot be 1.", 0},
      {"Pi", 0.0, 0.0, nullptr, 1.5707963267948966},
      {"Pi", 0.5, 1.0, nullptr, inf},
      {"Pi", 2.0, 0.5, nullptr, nan},
      {"Pi", nan, 0.5, "ellippi: Arguments cannot be NAN.", 0},
      {"Pi", nan, 2.0, "ellippi: Arguments cannot be NAN.", 0},
      {"Pi", 0.5, nan, "ellippi: Arguments cannot be NAN.", 0},
      {"Pi", 0.5, 1.5, "ellippi: m must not be greater than 1.", 0},
      {"Pi", 0.5, inf, "ellippi: m must not be greater than 1.", 0},
      {"Pi", 2.0, 1.0, "ellippi: Unexpected error.", 0},
      {"Pi", 2.0, 3.0, "ellippi: Unexpected error.", 0},
      {"Pi", 2.0, nan, "ellippi: Unexpected error.", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.integral) + "(n=" + std::to_string(c.n) + ", m=" + std::to_string(c.m) + ")");
    const auto outcome = evaluate(c);
    if (c.failure != nullptr) {
      ASSERT_FALSE(outcome) << describe(outcome);
      EXPECT_EQ(outcome.error().message, c.failure);
      EXPECT_EQ(outcome.error().type, ErrorType::runtime_error);
    } else {
      ASSERT_TRUE(outcome) << describe(outcome);
      if (std::isnan(c.value)) {
        EXPECT_TRUE(std::isfinite(*outcome));
      } else {
        EXPECT_EQ(*outcome, c.value);
      }
    }
  }
}

TEST(Elliptic, NegativeZeroCharacteristicIsZero) {
  EXPECT_EQ(*ellippi(-0.0, 0.3), *ellippi(0.0, 0.3));
  EXPECT_EQ(*ellippi(-0.0, 0.3), *ellipk(0.3));
}

// The fused evaluation fails like requesting E, then K, then Pi.
TEST(Elliptic, FusedOutcomeOrder) {
  EXPECT_EQ(ellip_ekpi(0.5, nan).error().message, "ellipe: Arguments cannot be NAN.");
  EXPECT_EQ(ellip_ekpi(1.0, 2.0).error().message, "ellipe: m must not be greater than 1.");
  EXPECT_EQ(ellip_ekpi(1.0, 0.5).error().message, "ellippi: n cannot be 1.");
  EXPECT_EQ(ellip_ekpi(nan, 0.5).error().message, "ellippi: Arguments cannot be NAN.");
  EXPECT_EQ(ellip_ekpi(2.0, 1.0).error().message, "ellippi: Unexpected error.");
  const auto rim = ellip_ekpi(0.5, 1.0);
  ASSERT_TRUE(rim);
  EXPECT_EQ(rim->e, 1.0);
  EXPECT_EQ(rim->k, inf);
  EXPECT_EQ(rim->pi, inf);
}

TEST(Elliptic, FusedEqualsSeparate) {
  for (double n : {0.0, 0.3, 0.999, 1.5}) {
    for (double m : {0.0, 0.2, 0.97}) {
      const auto all = ellip_ekpi(n, m);
      ASSERT_TRUE(all);
      EXPECT_EQ(all->e, *ellipe(m));
      EXPECT_EQ(all->k, *ellipk(m));
      EXPECT_EQ(all->pi, *ellippi(n, m)) << "n=" << n << " m=" << m;
    }
  }
}

TEST(Elliptic, AgreesWithMpmath) {
  double worst = 0;
  std::string where;
  for (const auto& row : testing::read_table("elliptic.csv")) {
    const std::string integral = row.text("integral");
    const double n = row.number("n"), m = row.number("m"), expected = row.number("value");
    const auto got = integral == "K" ? ellipk(m) : integral == "E" ? ellipe(m) : ellippi(n, m);
    ASSERT_TRUE(got) << integral << " n=" << n << " m=" << m << ": " << got.error().message;
    const double error = std::abs(*got - expected) / std::abs(expected);
    if (error > worst) {
      worst = error;
      where = integral + "(n=" + row.text("n") + ", m=" + row.text("m") + ")";
    }
  }
  EXPECT_LE(worst, 1e-15) << "worst relative error at " << where;
  RecordProperty("worst_relative_error", std::format("{:.3g} at {}", worst, where));
}

}  // namespace
}  // namespace caustix
