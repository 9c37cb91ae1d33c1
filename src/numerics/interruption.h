// Stopping a long computation at its caller's request.
//
// An operation that may run long asks stop_requested() between units of
// work (a separation, a chunk of a light curve; never per quadrature node).
// On the thread that made the Interruption, the owner, the question goes to
// the caller's poll function at most once per `interval` (a clock reading
// otherwise); once the poll has answered yes, every later question, on any
// thread, is answered yes. Other threads only read that answer, so workers
// of a parallel map stop at their next chunk.
//
// The default Interruption never polls and never stops.
#pragma once

#include <atomic>
#include <chrono>
#include <thread>

namespace caustix {

class Interruption {
 public:
  // Returns true when the computation should stop. Called on the owner only.
  using Poll = bool (*)(void* context) noexcept;
  using Clock = std::chrono::steady_clock;

  Interruption() noexcept = default;
  Interruption(Poll poll, void* context,
               Clock::duration interval = std::chrono::milliseconds(10)) noexcept
      : poll_(poll), context_(context), interval_(interval), next_(Clock::now() + interval),
        owner_(std::this_thread::get_id()) {}
  Interruption(const Interruption&) = delete;
  Interruption& operator=(const Interruption&) = delete;

  bool stop_requested() noexcept {
    if (poll_ == nullptr) return false;
    if (stopped_.load(std::memory_order_acquire)) return true;
    if (std::this_thread::get_id() != owner_) return false;
    const Clock::time_point now = Clock::now();
    if (now < next_) return false;
    next_ = now + interval_;
    if (!poll_(context_)) return false;
    stopped_.store(true, std::memory_order_release);
    return true;
  }

  // Whether a stop was requested, without asking the poll.
  bool stopped() const noexcept { return stopped_.load(std::memory_order_acquire); }

  // An Interruption that never stops, for callers that need none. It is
  // never written: its poll is null.
  static Interruption& none() noexcept {
    static Interruption never;
    return never;
  }

 private:
  Poll poll_ = nullptr;
  void* context_ = nullptr;
  Clock::duration interval_{};
  Clock::time_point next_{};  // read and written by the owner only
  std::thread::id owner_{};
  std::atomic<bool> stopped_{false};
};

}  // namespace caustix
