#include "numerics/parallel.h"

#include <tbb/blocked_range.h>
#include <tbb/global_control.h>
#include <tbb/info.h>
#include <tbb/parallel_for.h>
#include <tbb/task.h>
#include <tbb/task_arena.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <exception>
#include <string>
#include <string_view>

#include "numerics/fault.h"

#if defined(__SANITIZE_THREAD__)
#define CAUSTIX_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define CAUSTIX_TSAN 1
#endif
#endif
#if defined(CAUSTIX_TSAN)
#include <sanitizer/tsan_interface.h>
#endif

namespace caustix {

namespace {

// oneTBB's own synchronisation happens inside its (uninstrumented) library,
// where ThreadSanitizer cannot see it. Under ThreadSanitizer these state the
// orderings the map guarantees: the caller's writes before a job are seen by
// its pieces, and the pieces' writes are seen once the map has returned.
#if defined(CAUSTIX_TSAN)
void happens_before(const void* address) { __tsan_release(const_cast<void*>(address)); }
void happens_after(const void* address) { __tsan_acquire(const_cast<void*>(address)); }
#else
void happens_before(const void*) {}
void happens_after(const void*) {}
#endif

std::size_t requested_threads() {
  const char* text = std::getenv("CAUSTIX_NUM_THREADS");
  if (text != nullptr) {
    std::string_view value(text);
    std::size_t n = 0;
    auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), n);
    if (error == std::errc() && end == value.data() + value.size() && n > 0) return n;
  }
  // oneTBB's default follows the affinity mask and the cgroup CPU quota.
  const int available = tbb::info::default_concurrency();
  return available > 0 ? static_cast<std::size_t>(available) : 1;
}

struct Pool {
  std::size_t size = 0;  // threads that compute a map, the caller included
  // Lifts oneTBB's process-wide limit (the processor count) when a larger
  // pool is asked for.
  tbb::global_control* limit = nullptr;
  tbb::task_arena* arena = nullptr;
  std::string failure;  // why creation failed; empty when it succeeded
};

Pool* create_pool() noexcept {
  auto* pool = new Pool;
  try {
    pool->size = requested_threads();
    pool->limit = new tbb::global_control(tbb::global_control::max_allowed_parallelism, pool->size);
    // One slot is kept for the calling thread, which works on its own map:
    // a map completes even if no worker thread can be started.
    pool->arena = new tbb::task_arena(static_cast<int>(pool->size), 1);
    pool->arena->initialize();
    // Start the workers now, so that threads that cannot be started fail the
    // creation of the pool rather than some later map.
    pool->arena->execute([&] {
      tbb::parallel_for(std::size_t{0}, 64 * pool->size, [](std::size_t) {});
    });
  } catch (const std::exception& error) {
    pool->failure = error.what();
  } catch (...) {
    pool->failure = "unknown error";
  }
  return pool;
}

// Created once, by the first thread that needs it (a function-local static:
// thread-safe initialisation, others wait), and never destroyed: workers
// may still be running when static destructors would run at exit.
Pool& the_pool() {
  static Pool* pool = create_pool();
  if (!pool->failure.empty()) {
    raise_fault("The global thread pool has not been initialized.: " + pool->failure);
  }
  return *pool;
}

// Two addresses name a map's orderings for the sanitizer: what precedes
// the map is seen by every piece (start), and every piece is seen by what
// follows the map (finish). No piece is ordered before another.
struct Orderings {
  char start, finish;
};

void run_pieces(std::size_t count, detail::RangeBody body, void* context, Interruption& interruption) {
  Orderings order;
  happens_before(&order.start);
  tbb::parallel_for(tbb::blocked_range<std::size_t>(0, count),
                    [&](const tbb::blocked_range<std::size_t>& piece) {
                      happens_after(&order.start);
                      for (std::size_t begin = piece.begin(); begin < piece.end(); begin += map_chunk) {
                        if (interruption.stop_requested()) {
                          // Pieces of this map not yet started are skipped.
                          tbb::task::current_context()->cancel_group_execution();
                          break;
                        }
                        body(context, begin, std::min(begin + map_chunk, piece.end()));
                      }
                      happens_before(&order.finish);
                    });
  happens_after(&order.finish);
}

}  // namespace

std::size_t pool_size() { return the_pool().size; }

bool detail::for_each_range(std::size_t count, RangeBody body, void* context, Interruption& interruption) {
  Pool& pool = the_pool();
  if (count < 2) {
    if (count == 1 && !interruption.stop_requested()) body(context, 0, 1);
    return !interruption.stopped();
  }
  // The caller joins the pool's arena and shares the pieces with the workers;
  // from a worker (a nested map) the pieces join the work already running.
  // When the arena has no free slot oneTBB may run the job on a worker.
  struct Job {
    std::size_t count;
    RangeBody body;
    void* context;
    Interruption& interruption;
    Orderings order;
    void operator()() {
      happens_after(&order.start);
      run_pieces(count, body, context, interruption);
      happens_before(&order.finish);
    }
  } job{count, body, context, interruption, {}};
  happens_before(&job.order.start);
  pool.arena->execute(job);
  happens_after(&job.order.finish);
  return !interruption.stopped();
}

}  // namespace caustix
