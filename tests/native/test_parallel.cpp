#include "numerics/parallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <numeric>
#include <stdexcept>
#include <thread>
#include <vector>

#include "numerics/fault.h"

namespace caustix {
namespace {

TEST(ParallelMap, VisitsEveryIndexExactlyOnce) {
  for (std::size_t count : {0u, 1u, 2u, 3u, 1000u, 100003u}) {
    std::vector<std::atomic<int>> visits(count);
    for_each_range(count, [&](std::size_t begin, std::size_t end) {
      ASSERT_LE(begin, end);
      ASSERT_LE(end, count);
      for (std::size_t i = begin; i < end; ++i) visits[i].fetch_add(1);
    });
    for (std::size_t i = 0; i < count; ++i) ASSERT_EQ(visits[i].load(), 1) << "index " << i;
  }
}

TEST(ParallelMap, NestedMapsCompleteOnOnePool) {
  // More outer pieces than workers, each waiting on an inner map: a pool that
  // blocked its workers on nested waits would deadlock here.
  constexpr std::size_t outer = 64, inner = 5000;
  std::vector<long> sums(outer);
  for_each_range(outer, [&](std::size_t begin, std::size_t end) {
    for (std::size_t k = begin; k < end; ++k) {
      std::vector<long> values(inner);
      for_each_range(inner, [&](std::size_t b, std::size_t e) {
        for (std::size_t i = b; i < e; ++i) values[i] = static_cast<long>(i * k);
      });
      sums[k] = std::accumulate(values.begin(), values.end(), 0L);
    }
  });
  for (std::size_t k = 0; k < outer; ++k) {
    EXPECT_EQ(sums[k], static_cast<long>(k * inner * (inner - 1) / 2));
  }
}

TEST(ParallelMap, WorkerExceptionReachesTheCaller) {
  std::atomic<int> pieces{0};
  auto run = [&] {
    for_each_range(100000, [&](std::size_t begin, std::size_t end) {
      pieces.fetch_add(1);
      if (begin <= 4242 && 4242 < end) raise_fault("fault at 4242");
    });
  };
  EXPECT_THROW(run(), InternalFault);
  EXPECT_GT(pieces.load(), 0);
  // The pool is still usable afterwards.
  std::atomic<long> total{0};
  for_each_range(1000, [&](std::size_t begin, std::size_t end) {
    total.fetch_add(static_cast<long>(end - begin));
  });
  EXPECT_EQ(total.load(), 1000);
}

TEST(ParallelMap, ConcurrentCallersShareThePool) {
  std::vector<std::thread> callers;
  std::vector<double> results(8);
  for (std::size_t t = 0; t < results.size(); ++t) {
    callers.emplace_back([&, t] {
      std::vector<double> values(20000);
      for_each_range(values.size(), [&](std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i) values[i] = static_cast<double>(i + t);
      });
      results[t] = std::accumulate(values.begin(), values.end(), 0.0);
    });
  }
  for (auto& caller : callers) caller.join();
  for (std::size_t t = 0; t < results.size(); ++t) {
    EXPECT_EQ(results[t], 20000.0 * 19999.0 / 2 + 20000.0 * static_cast<double>(t));
  }
}

TEST(ParallelMap, PoolHasAtLeastOneThread) { EXPECT_GE(pool_size(), 1u); }

}  // namespace
}  // namespace caustix
