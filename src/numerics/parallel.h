// Data-parallel map over an index range on a process-wide worker pool
// (oneTBB).
//
// for_each_range(count, body) calls body(begin, end) on disjoint pieces that
// cover [0, count) exactly once, cut by repeated halving, and returns when all
// pieces are done. From a thread outside the pool the whole map is handed to
// the pool as one job and the caller waits; from a worker (a nested map) the
// pieces join the work already running on the same pool, so nesting neither
// exhausts nor deadlocks it. An exception thrown by a piece lets the pieces
// already running finish and is thrown again in the caller.
//
// The pool is created on first use, once per process, and lives until exit.
// Its size: the environment variable CAUSTIX_NUM_THREADS when it holds a
// positive whole number, otherwise the processors available to the process
// (its affinity mask, limited by a cgroup CPU quota). A pool that cannot be
// created is an internal fault whose message begins
// "The global thread pool has not been initialized."; creation is not
// retried.
#pragma once

#include <cstddef>
#include <utility>

namespace caustix {

// The number of worker threads of the pool (creates it if needed).
std::size_t pool_size();

namespace detail {
using RangeBody = void (*)(void* context, std::size_t begin, std::size_t end);
void for_each_range(std::size_t count, RangeBody body, void* context);
}  // namespace detail

template <class Body>
void for_each_range(std::size_t count, Body&& body) {
  detail::for_each_range(
      count,
      [](void* context, std::size_t begin, std::size_t end) {
        (*static_cast<std::remove_reference_t<Body>*>(context))(begin, end);
      },
      &body);
}

}  // namespace caustix
