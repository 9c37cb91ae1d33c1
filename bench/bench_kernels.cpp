// Kernel and facility benchmarks, one thread. Run with `make bench`.
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <vector>

#include "kernels/ring.h"
#include "kernels/uniform_disk.h"
#include "lightcurves/flux_map.h"
#include "lightcurves/limb_darkened.h"
#include "numerics/elliptic.h"

namespace {

// (u, rho) pairs: rho in {0.001, 0.01, 0.1, 1}, u / rho log-spaced over
// [0.01, 100], 64 points per rho.
std::vector<std::pair<double, double>> uniform_disk_grid() {
  std::vector<std::pair<double, double>> grid;
  for (double rho : {0.001, 0.01, 0.1, 1.0}) {
    for (int i = 0; i < 64; ++i) {
      const double ratio = std::pow(10.0, -2.0 + 4.0 * i / 63.0);
      grid.emplace_back(ratio * rho, rho);
    }
  }
  return grid;
}

void BM_witt_mao_magnification_scaled(benchmark::State& state) {
  const auto grid = uniform_disk_grid();
  for (auto _ : state) {
    for (const auto& [u, rho] : grid) benchmark::DoNotOptimize(caustix::witt_mao_magnification_scaled(u, rho));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<long>(grid.size()));
  state.counters["ns_per_eval"] = benchmark::Counter(
      static_cast<double>(state.iterations() * grid.size()),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_witt_mao_magnification_scaled);

// The batch form over the same grid, the best instruction set the machine
// offers.
void BM_witt_mao_magnification_scaled_batch(benchmark::State& state) {
  const auto grid = uniform_disk_grid();
  std::vector<double> u, rho, out(grid.size());
  for (const auto& [a, b] : grid) {
    u.push_back(a);
    rho.push_back(b);
  }
  for (auto _ : state) {
    caustix::witt_mao_magnification_scaled(u, rho, out);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.counters["ns_per_eval"] = benchmark::Counter(
      static_cast<double>(state.iterations() * grid.size()),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_witt_mao_magnification_scaled_batch);

void BM_ellip_ekpi(benchmark::State& state) {
  std::vector<std::pair<double, double>> args;
  for (int i = 0; i < 32; ++i) {
    for (int j = 0; j < 8; ++j) args.emplace_back(0.999 * i / 31.0, 0.999 * j / 7.0 * (i / 31.0));
  }
  for (auto _ : state) {
    for (const auto& [n, m] : args) benchmark::DoNotOptimize(caustix::ellip_ekpi(n, m));
  }
  state.counters["ns_per_eval"] = benchmark::Counter(
      static_cast<double>(state.iterations() * args.size()),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ellip_ekpi);

// (l, r, eps) with l, r in (0, 3] and eps in {0.1, 1, 10}, all at least 1e-3
// from the ring (outside the near-ring window): 3 x 16 x 16 points.
void BM_heyrovsky_magnification(benchmark::State& state) {
  std::vector<std::array<double, 3>> grid;
  for (double eps : {0.1, 1.0, 10.0}) {
    for (int i = 0; i < 16; ++i) {
      for (int j = 0; j < 16; ++j) {
        const double l = 3.0 * (i + 0.5) / 16.0, r = 3.0 * (j + 0.25) / 16.0;
        if (std::abs(l - r) >= 1e-3) grid.push_back({l, r, eps});
      }
    }
  }
  for (auto _ : state) {
    for (const auto& [l, r, eps] : grid) benchmark::DoNotOptimize(caustix::heyrovsky_magnification(l, r, eps, 1.0));
  }
  state.counters["ns_per_eval"] = benchmark::Counter(
      static_cast<double>(state.iterations() * grid.size()),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_heyrovsky_magnification);

// The ring-integrated curves' batch ring kernel (closed form in complementary
// parameters), over the ring radii of a quadrature: 256 rings in (0, 1) for
// lenses at 0.3, 0.7 and 1.5, eps = 100.
void BM_heyrovsky_magnification_batch(benchmark::State& state) {
  std::vector<double> r(256), out(r.size());
  for (std::size_t i = 0; i < r.size(); ++i) r[i] = (static_cast<double>(i) + 0.5) / 256.0;
  for (auto _ : state) {
    for (const double l : {0.3, 0.7, 1.5}) {
      caustix::_heyrovsky_magnification_complementary(l, r, 1.0, 0.01, out);
      benchmark::DoNotOptimize(out.data());
      benchmark::ClobberMemory();
    }
  }
  state.counters["ns_per_eval"] = benchmark::Counter(
      static_cast<double>(state.iterations() * 3 * r.size()),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_heyrovsky_magnification_batch);

// Limb-darkened light curves of 1000 points, l in [0, 3], one thread:
// microseconds per separation and the mean number of integrand evaluations.
std::vector<double> light_curve_grid() {
  std::vector<double> l(1000);
  for (std::size_t i = 0; i < l.size(); ++i) l[i] = 3.0 * (static_cast<double>(i) + 0.5) / 1000.0;
  return l;
}

void report(benchmark::State& state, std::size_t separations, double evaluations) {
  state.counters["per_separation"] = benchmark::Counter(
      static_cast<double>(state.iterations() * separations),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  if (evaluations > 0) state.counters["evaluations"] = evaluations;
}

void BM_integrated_witt_mao_magnification(benchmark::State& state) {
  const double rho = static_cast<double>(state.range(0)) / 1000.0;
  const auto l = light_curve_grid();
  for (auto _ : state) benchmark::DoNotOptimize(caustix::integrated_witt_mao_magnification(l, 1.0, rho));
  double evaluations = 0;
  for (double x : l) evaluations += static_cast<double>(caustix::nested_disks_integral(x * rho, rho).evaluations + 1);
  report(state, l.size(), evaluations / static_cast<double>(l.size()));
}
BENCHMARK(BM_integrated_witt_mao_magnification)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

void BM_integrated_heyrovsky_magnification(benchmark::State& state) {
  const double rho = static_cast<double>(state.range(0)) / 1000.0;
  const auto l = light_curve_grid();
  for (auto _ : state) benchmark::DoNotOptimize(caustix::integrated_heyrovsky_magnification(l, 1.0, rho));
  const auto law = [](double r) { return caustix::linear_limb_darkening(r); };
  double evaluations = 0;
  for (double x : l) {
    evaluations += static_cast<double>(caustix::ring_flux_integral(x, 1.0, rho, caustix::Profile(law)).evaluations);
  }
  report(state, l.size(), evaluations / static_cast<double>(l.size()));
}
BENCHMARK(BM_integrated_heyrovsky_magnification)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

// A 100-entry table of the linear law, as a caller would tabulate it.
std::pair<std::vector<double>, std::vector<double>> linear_law_table() {
  std::vector<double> bl(100), bf(100);
  for (std::size_t i = 0; i < bl.size(); ++i) {
    bl[i] = static_cast<double>(i) / 99.0;
    bf[i] = caustix::linear_limb_darkening(bl[i]);
  }
  return {bl, bf};
}

void BM_integrated_flux_map_witt_mao_magnification(benchmark::State& state) {
  const auto l = light_curve_grid();
  const auto [bl, bf] = linear_law_table();
  for (auto _ : state) {
    benchmark::DoNotOptimize(caustix::integrated_flux_map_witt_mao_magnification(l, 1.0, 0.1, bl, bf));
  }
  report(state, l.size(), 0);
}
BENCHMARK(BM_integrated_flux_map_witt_mao_magnification)->Unit(benchmark::kMillisecond);

void BM_integrated_flux_map_heyrovsky_magnification(benchmark::State& state) {
  const auto l = light_curve_grid();
  const auto [bl, bf] = linear_law_table();
  for (auto _ : state) {
    benchmark::DoNotOptimize(caustix::integrated_flux_map_heyrovsky_magnification(l, 1.0, 0.1, bl, bf));
  }
  report(state, l.size(), 0);
}
BENCHMARK(BM_integrated_flux_map_heyrovsky_magnification)->Unit(benchmark::kMillisecond);

// One profile evaluation in a 100-entry table, at radii spread over [0, 1].
void BM_flux_map_profile(benchmark::State& state) {
  const auto [bl, bf] = linear_law_table();
  const caustix::FluxMapProfile profile(bl, bf);
  std::vector<double> radii(256);
  for (std::size_t i = 0; i < radii.size(); ++i) radii[i] = (static_cast<double>(i) + 0.37) / 256.0;
  for (auto _ : state) {
    for (double r : radii) benchmark::DoNotOptimize(profile(r));
  }
  state.counters["ns_per_eval"] = benchmark::Counter(
      static_cast<double>(state.iterations() * radii.size()),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_flux_map_profile);

}  // namespace

BENCHMARK_MAIN();
