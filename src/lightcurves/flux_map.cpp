#include "lightcurves/flux_map.h"

#include "kernels/ring.h"
#include "numerics/fault.h"

namespace caustix {

Outcome<std::vector<double>> discrete_flux_map_heyrovsky_magnification(
    std::vector<double> l, double re, double rstar, std::vector<double> bl, std::vector<double> bf) {
  assert_equal(bl.size(), bf.size());
  std::vector<double> result;
  result.reserve(l.size());
  for (const double x : l) {
    double sum = 0.0;
    for (std::size_t j = 0; j < bl.size(); ++j) {
      const auto ring = heyrovsky_magnification(x, bl[j], re, rstar);
      if (!ring) return std::unexpected(ring.error());
      sum += *ring * bf[j];
    }
    result.push_back(sum);
  }
  return result;
}

}  // namespace caustix
