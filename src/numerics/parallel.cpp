#include "numerics/parallel.h"

#include <tbb/blocked_range.h>
#include <tbb/global_control.h>
#include <tbb/info.h>
#include <tbb/parallel_for.h>
#include <tbb/task_arena.h>

#include <charconv>
#include <condition_variable>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

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
void happens_before(void* address) { __tsan_release(address); }
void happens_after(void* address) { __tsan_acquire(address); }
#else
void happens_before(void*) {}
void happens_after(void*) {}
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
  std::size_t size = 0;
  // The market limit counts the waiting caller as one thread, so allowing
  // size + 1 lets all `size` workers join the arena.
  tbb::global_control* limit = nullptr;
  tbb::task_arena* arena = nullptr;
  std::string failure;  // why creation failed; empty when it succeeded
};

Pool* create_pool() noexcept {
  auto* pool = new Pool;
  try {
    pool->size = requested_threads();
    pool->limit = new tbb::global_control(tbb::global_control::max_allowed_parallelism,
                                          pool->size + 1);
    pool->arena = new tbb::task_arena(static_cast<int>(pool->size), 0);
    pool->arena->initialize();
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

// True while this thread runs a piece of a map, so that a map started from
// inside a piece is recognised as nested.
thread_local bool in_piece = false;

struct PieceScope {
  bool outer = std::exchange(in_piece, true);
  ~PieceScope() { in_piece = outer; }
};

void run_pieces(std::size_t count, detail::RangeBody body, void* context) {
  int job = 0;  // its address names this map's orderings for the sanitizer
  happens_before(&job);
  tbb::parallel_for(tbb::blocked_range<std::size_t>(0, count),
                    [&](const tbb::blocked_range<std::size_t>& piece) {
                      happens_after(&job);
                      PieceScope scope;
                      body(context, piece.begin(), piece.end());
                      happens_before(&job);
                    });
  happens_after(&job);
}

}  // namespace

std::size_t pool_size() { return the_pool().size; }

void detail::for_each_range(std::size_t count, RangeBody body, void* context) {
  Pool& pool = the_pool();
  if (count < 2) {
    if (count == 1) body(context, 0, 1);
    return;
  }
  if (in_piece) {
    // Already on a worker: a nested map shares out its pieces with the
    // running work instead of waiting for the pool.
    run_pieces(count, body, context);
    return;
  }
  // The job lives on the caller's stack until the caller has seen it done.
  struct Job {
    Job(std::size_t n, RangeBody b, void* c) : count(n), body(b), context(c) {}
    std::size_t count;
    RangeBody body;
    void* context;
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::exception_ptr error;
  } job(count, body, context);
  happens_before(&job);
  pool.arena->enqueue([&job] {
    happens_after(&job);
    try {
      run_pieces(job.count, job.body, job.context);
    } catch (...) {
      job.error = std::current_exception();
    }
    // Notify under the lock: the caller may destroy the job as soon as it
    // sees `done`.
    std::lock_guard lock(job.mutex);
    job.done = true;
    job.finished.notify_one();
  });
  std::unique_lock lock(job.mutex);
  job.finished.wait(lock, [&] { return job.done; });
  if (job.error) std::rethrow_exception(job.error);
}

}  // namespace caustix
