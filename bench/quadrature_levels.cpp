// Accuracy against cost of the tanh-sinh levels for the limb-darkened light
// curves: for each reference point of tests/reference/limb_darkened.csv, the
// relative error of both operations' integrands when the quadrature runs to
// a fixed deepest level (no early stop), with the evaluation count, and the
// same for the default stopping rule. Run by `make bench`.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "kernels/uniform_disk.h"
#include "lightcurves/limb_darkened.h"
#include "numerics/tanh_sinh.h"
#include "reference.h"

namespace {

using namespace caustix;

constexpr double pi = 3.141592653589793;

struct Point {
  std::string region;
  double l, rho, value;
};

std::vector<Point> read_points() {
  std::vector<Point> points;
  for (const auto& row : caustix::testing::read_table("limb_darkened.csv")) {
    points.push_back({row.text("region"), row.number("l"), row.number("rho"), row.number("value")});
  }
  return points;
}

struct Evaluated {
  double value;
  std::size_t evaluations;
};

Evaluated disks(const Point& p, int level, double rounding) {
  const auto q = nested_disks_integral(p.l * p.rho, p.rho, level, rounding);
  const double a1 = witt_mao_magnification_scaled(p.l * p.rho, p.rho);
  return {((0.6 * q.integral + 0.4 * a1) * pi) / limb_darkened_disk_flux, q.evaluations + 1};
}

Evaluated rings(const Point& p, int level, double rounding) {
  const auto law = [](double r) { return linear_limb_darkening(r); };
  const auto q = ring_flux_integral(p.l, 1.0, p.rho, Profile(law), level, rounding);
  return {q.integral / limb_darkened_disk_flux, q.evaluations};
}

}  // namespace

int main() {
  const auto points = read_points();
  std::printf("relative error against the mpmath light curve (evaluations per separation)\n");
  std::printf("%-8s %5s %5s | %-40s | %-40s\n", "region", "l", "rho", "disks: level 5 / 6 / 7 / 8 / 10 / default",
              "rings: level 5 / 6 / 7 / 8 / 10 / default");
  for (const Point& p : points) {
    std::printf("%-8s %5.2f %5.2f |", p.region.c_str(), p.l, p.rho);
    for (auto op : {disks, rings}) {
      for (int level : {5, 6, 7, 8, 10, -1}) {
        const auto e = level < 0 ? op(p, tanh_sinh_max_level, tanh_sinh_rounding) : op(p, level, 0.0);
        std::printf(" %7.1e(%4zu)", std::abs(e.value - p.value) / p.value, e.evaluations);
      }
      std::printf(" |");
    }
    std::printf("\n");
  }
}
