// Internal faults: assertion failures and other unrecoverable errors inside
// the native code of a call.
//
// A fault is not a failure value. It is reported on standard error where it
// happens (thread, source location, message; the first report of the process
// says how to get a backtrace) and thrown as InternalFault, which only the
// fault barrier of the module boundary catches. Worker threads may raise
// faults too; the parallel map carries them back to the calling thread.
#pragma once

#include <format>
#include <source_location>
#include <stdexcept>
#include <string>
#include <string_view>

namespace caustix {

class InternalFault : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Writes the standard-error report of a fault. Safe on any thread.
void report_fault(std::string_view message,
                  const std::source_location& where = std::source_location::current()) noexcept;

// Reports the fault and throws it.
[[noreturn]] void raise_fault(std::string message,
                              const std::source_location& where = std::source_location::current());

// Faults unless left == right; the message shows both values.
template <class L, class R>
void assert_equal(const L& left, const R& right,
                  const std::source_location& where = std::source_location::current()) {
  if (!(left == right)) [[unlikely]] {
    raise_fault(std::format("assertion `left == right` failed\n  left: {}\n right: {}", left, right),
                where);
  }
}

}  // namespace caustix
