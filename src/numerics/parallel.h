// Data-parallel map over an index range on a process-wide worker pool
// (oneTBB).
//
// for_each_range(count, body) calls body(begin, end) on disjoint pieces that
// cover [0, count) exactly once, cut by repeated halving, and returns when all
// pieces are done. The calling thread works on its own map together with the
// pool's workers, so a map completes even when no worker can be started; a
// map started from a worker (a nested map) joins the work already running on
// the same pool, whose waiting threads take other pieces meanwhile, so
// nesting neither exhausts nor deadlocks it. An exception thrown by a piece
// lets the pieces already running finish and is thrown again in the caller.
// Pieces run in chunks of map_chunk indices; the calling thread asks its
// Interruption between chunks, and once it says stop, every thread leaves
// its piece at the next chunk and the pieces not yet started are cancelled.
//
// The pool is created on first use, once per process, and lives until exit.
// Its size, the number of threads that compute a map (the caller and
// size - 1 workers): the environment variable CAUSTIX_NUM_THREADS when it
// holds a positive whole number, otherwise the processors available to the
// process (its affinity mask, limited by a cgroup CPU quota). A pool that cannot be
// created is an internal fault whose message begins
// "The global thread pool has not been initialized."; creation is not
// retried.
#pragma once

#include <cstddef>
#include <utility>

#include "numerics/interruption.h"

namespace caustix {

// The number of threads that compute a map (creates the pool if needed).
std::size_t pool_size();

// Pieces are handed to body in chunks of at most this many indices; before
// each chunk the map asks the interruption whether to stop.
inline constexpr std::size_t map_chunk = 1024;

namespace detail {
using RangeBody = void (*)(void* context, std::size_t begin, std::size_t end);
bool for_each_range(std::size_t count, RangeBody body, void* context, Interruption& interruption);
}  // namespace detail

// Returns false when the interruption stopped the map: some chunks were not
// computed (workers stop at their next chunk, the rest is cancelled).
template <class Body>
bool for_each_range(std::size_t count, Body&& body, Interruption& interruption = Interruption::none()) {
  return detail::for_each_range(
      count,
      [](void* context, std::size_t begin, std::size_t end) {
        (*static_cast<std::remove_reference_t<Body>*>(context))(begin, end);
      },
      &body, interruption);
}

}  // namespace caustix
