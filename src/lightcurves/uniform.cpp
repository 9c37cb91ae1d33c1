#include "lightcurves/uniform.h"

#include <utility>

#include "kernels/uniform_disk.h"
#include "numerics/parallel.h"

namespace caustix {

namespace {

std::vector<double> uniform_light_curve(const std::vector<double>& l, double re, double rstar) {
  const double rho = rstar / re;
  std::vector<double> result(l.size());
  for_each_range(l.size(), [&](std::size_t begin, std::size_t end) {
    for (std::size_t i = begin; i < end; ++i) {
      result[i] = witt_mao_magnification_scaled(l[i] * rho, rho);
    }
  });
  return result;
}

}  // namespace

Outcome<std::vector<double>> witt_mao_magnification(std::vector<double> l, double re, double rstar) {
  return uniform_light_curve(l, re, rstar);
}

Outcome<std::vector<std::vector<double>>> multi_witt_mao_magnification(
    std::vector<double> l, std::vector<double> re, std::vector<double> rstar) {
  const std::size_t per_re = rstar.size();
  std::vector<std::vector<double>> curves(re.size() * per_re);
  for_each_range(curves.size(), [&](std::size_t begin, std::size_t end) {
    for (std::size_t k = begin; k < end; ++k) {
      curves[k] = uniform_light_curve(l, re[k / per_re], rstar[k % per_re]);
    }
  });
  return curves;
}

}  // namespace caustix
