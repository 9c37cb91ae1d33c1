#include "lightcurves/uniform.h"

#include <array>
#include <span>
#include <utility>

#include "kernels/uniform_disk.h"
#include "numerics/parallel.h"

namespace caustix {

namespace {

// Fills result (of l's length); false when the interruption stopped it.
bool uniform_light_curve(const std::vector<double>& l, double re, double rstar, std::vector<double>& result,
                         Interruption& interruption) {
  const double rho = rstar / re;
  result.resize(l.size());
  return for_each_range(
      l.size(),
      [&](std::size_t begin, std::size_t end) {
        // One chunk (at most map_chunk entries) through the batch kernel.
        std::array<double, map_chunk> u, radius;
        const std::size_t count = end - begin;
        for (std::size_t i = 0; i < count; ++i) {
          u[i] = l[begin + i] * rho;
          radius[i] = rho;
        }
        witt_mao_magnification_scaled(std::span(u.data(), count), std::span(radius.data(), count),
                                      std::span(result).subspan(begin, count));
      },
      interruption);
}

}  // namespace

Outcome<std::vector<double>> witt_mao_magnification(std::vector<double> l, double re, double rstar,
                                                    Interruption& interruption) {
  std::vector<double> result;
  if (!uniform_light_curve(l, re, rstar, result, interruption)) return interrupted();
  return result;
}

Outcome<std::vector<std::vector<double>>> multi_witt_mao_magnification(
    std::vector<double> l, std::vector<double> re, std::vector<double> rstar, Interruption& interruption) {
  const std::size_t per_re = rstar.size();
  std::vector<std::vector<double>> curves(re.size() * per_re);
  const bool complete = for_each_range(
      curves.size(),
      [&](std::size_t begin, std::size_t end) {
        for (std::size_t k = begin; k < end; ++k) {
          if (!uniform_light_curve(l, re[k / per_re], rstar[k % per_re], curves[k], interruption)) return;
        }
      },
      interruption);
  if (!complete) return interrupted();
  return curves;
}

}  // namespace caustix
