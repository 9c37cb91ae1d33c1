#include "lightcurves/limb_darkened.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "lightcurves/uniform.h"

namespace caustix {
namespace {

constexpr double pi = 3.141592653589793;

TEST(RingIntegratedCore, ConstantProfileIsTheUniformDisk) {
  std::vector<double> l;
  // Away from the rim, where the uniform-disk kernel steps across its window.
  for (int i = 0; i <= 60; ++i) l.push_back(0.05 * i + 0.013);
  for (double rho : {0.01, 0.3}) {
    const auto unit = [](double) { return 1.0; };
    const auto rings = _integrated_heyrovsky_magnification(l, 1.0, rho, pi, Profile(unit));
    const auto uniform = witt_mao_magnification(l, 1.0, rho);
    ASSERT_TRUE(rings && uniform);
    for (std::size_t i = 0; i < l.size(); ++i) {
      EXPECT_NEAR((*rings)[i], (*uniform)[i], 2e-11 * (*uniform)[i]) << "l=" << l[i] << " rho=" << rho;
    }
  }
}

TEST(RingIntegratedCore, NormalisationIsUsedAsGiven) {
  const auto unit = [](double) { return 1.0; };
  const auto one = _integrated_heyrovsky_magnification({0.5, 2.0}, 1.0, 0.1, 1.0, Profile(unit));
  const auto zero = _integrated_heyrovsky_magnification({0.5, std::nan("")}, 1.0, 0.1, 0.0, Profile(unit));
  ASSERT_TRUE(one && zero);
  EXPECT_NEAR((*one)[0], pi * *witt_mao_magnification({0.5}, 1.0, 0.1)->data(), 1e-10);
  EXPECT_EQ((*zero)[0], INFINITY);  // a positive integral over a zero norm
  EXPECT_TRUE(std::isnan((*zero)[1]));  // zero over zero
}

TEST(LinearLimbDarkening, CentreAndRim) {
  EXPECT_EQ(linear_limb_darkening(0.0), 1.0);
  EXPECT_DOUBLE_EQ(linear_limb_darkening(1.0), 0.4);
  EXPECT_DOUBLE_EQ(linear_limb_darkening(0.6), 1.0 - 0.6 * 0.2);
}

}  // namespace
}  // namespace caustix
