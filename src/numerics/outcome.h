// Result-or-failure values shared by the kernels and light-curve operations.
//
// A failure is an ordinary value until it reaches the module boundary: it
// names the Python exception type the boundary will raise and carries the
// message text. Messages are fixed texts with static storage, so building or
// dropping a failure allocates nothing.
#pragma once

#include <expected>
#include <string_view>

namespace caustix {

// interrupted: the caller's poll asked the operation to stop (a signal
// handler raised); the boundary raises what the handler raised.
enum class ErrorType { runtime_error, interrupted };

struct Failure {
  ErrorType type;
  std::string_view message;

  friend bool operator==(const Failure&, const Failure&) = default;
};

template <class T>
using Outcome = std::expected<T, Failure>;

inline std::unexpected<Failure> runtime_failure(std::string_view message) noexcept {
  return std::unexpected(Failure{ErrorType::runtime_error, message});
}

inline std::unexpected<Failure> interrupted() noexcept {
  return std::unexpected(Failure{ErrorType::interrupted, "interrupted"});
}

}  // namespace caustix
