// The batch kernels against their scalar forms: the same bits for every
// argument, batch length, position in the batch and instruction set.
#include <gtest/gtest.h>
#include <hwy/targets.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "kernels/ring.h"
#include "kernels/uniform_disk.h"

namespace caustix {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

// Pairs (u, rho) across every branch of the uniform-disk kernel: point
// source, the rim window and its edges, the elliptic branch near and far,
// negative and non-finite arguments.
std::vector<std::pair<double, double>> uniform_disk_grid() {
  std::vector<std::pair<double, double>> grid;
  for (const double rho : {0.0, -0.1, 1e-7, 1e-3, 0.01, 0.1, 1.0, 10.0, nan, inf}) {
    const double r = std::isfinite(rho) && rho > 0 ? rho : 0.5;
    for (const double u : {0.0, 1e-12, 0.3 * r, r * (1 - 0.0005), r, r * (1 + 0.0005), r * (1 - 0.0011),
                           r * (1 + 0.0011), r - 1e-5, r + 2e-5, 0.9 * r, 1.5 * r, 5.0 * r, 100.0 * r, 1e4,
                           -0.5, -1e-6, nan, inf}) {
      grid.emplace_back(u, rho);
    }
  }
  return grid;
}

// Every batch length from 1 to 17 at every starting position, on every
// instruction set Highway built for that this machine has: batch(in, out)
// must give expected's bits.
template <class Batch>
void expect_same_bits(std::size_t size, Batch batch, const std::vector<double>& expected) {
  for (const std::int64_t target : hwy::SupportedAndGeneratedTargets()) {
    hwy::SetSupportedTargetsForTest(target);
    for (std::size_t length = 1; length <= 17; ++length) {
      std::vector<double> out(size);
      for (std::size_t start = 0; start < size; start += length) batch(start, std::min(length, size - start), out);
      for (std::size_t i = 0; i < size; ++i) {
        ASSERT_EQ(std::bit_cast<std::uint64_t>(out[i]), std::bit_cast<std::uint64_t>(expected[i]))
            << hwy::TargetName(target) << ", batch length " << length << ", entry " << i << ": batch " << out[i]
            << ", scalar " << expected[i];
      }
    }
  }
  hwy::SetSupportedTargetsForTest(0);
}

TEST(UniformDiskBatch, BitForBitTheScalarKernel) {
  std::vector<double> u, rho, expected;
  for (const auto& [a, b] : uniform_disk_grid()) {
    u.push_back(a);
    rho.push_back(b);
    expected.push_back(witt_mao_magnification_scaled(a, b));
  }
  expect_same_bits(
      u.size(),
      [&](std::size_t start, std::size_t n, std::vector<double>& out) {
        witt_mao_magnification_scaled(std::span(u).subspan(start, n), std::span(rho).subspan(start, n),
                                      std::span(out).subspan(start, n));
      },
      expected);
}

TEST(RingComplementaryBatch, BitForBitTheScalarForm) {
  // Rings across the centre, the lens and the rim, for lenses at the
  // centre, near it, inside, on a ring and outside, with negative and
  // non-finite arguments.
  for (const double l : {0.0, 1e-7, 0.3, 0.5, 1.7, -0.2, nan}) {
    for (const double re : {1.0, 0.01, nan, inf}) {
      std::vector<double> r, expected;
      for (const double x : {1e-9, 0.1, 0.3 - 1e-12, 0.3, 0.3 + 1e-12, 0.49999, 0.5, 0.50001, 0.9, 1.0, -0.1,
                             nan, inf}) {
        r.push_back(x);
        expected.push_back(_heyrovsky_magnification_complementary(l, x, re, 1.0));
      }
      expect_same_bits(
          r.size(),
          [&](std::size_t start, std::size_t n, std::vector<double>& out) {
            _heyrovsky_magnification_complementary(l, std::span(r).subspan(start, n), re, 1.0,
                                                   std::span(out).subspan(start, n));
          },
          expected);
    }
  }
}

}  // namespace
}  // namespace caustix
