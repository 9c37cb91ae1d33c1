// The call adapter: parse, convert in parameter order, call one operation
// (detached from the interpreter when it computes for long, polling for
// signals), raise its failure or build its Python result.
#pragma once

#include <array>
#include <tuple>
#include <utility>
#include <vector>

#include "module/arguments.h"
#include "module/faults.h"
#include "numerics/interruption.h"
#include "numerics/outcome.h"

namespace caustix::module {

// Parameter kinds: a sequence becomes a vector of doubles, a float a double.
struct Sequence {
  using type = std::vector<double>;
  static bool convert(PyObject* object, type& out) { return to_vector(object, out); }
};
struct Float {
  using type = double;
  static bool convert(PyObject* object, type& out) { return to_double(object, out); }
};

void raise_failure(const Failure& failure);

// Calls estimated to compute for less than this stay attached to the
// interpreter: detaching and attaching again costs about 0.1 us alone, and
// up to the interpreter's switch interval (5 ms) when another thread takes
// the lock meanwhile.
inline constexpr double detach_threshold_ns = 5000.0;

// The calling thread during an operation: detached from the interpreter
// (when asked) while the numeric work runs, so that other threads run and,
// in the free-threaded build, stop-the-world pauses need not wait for it.
// poll is an Interruption's poll: it attaches for the moment it runs the
// signal handlers, keeps what a handler raised and detaches again.
// Destruction attaches. No Python object is touched while detached.
class CallingThread {
 public:
  explicit CallingThread(bool detach) noexcept : state_(detach ? PyEval_SaveThread() : nullptr) {}
  CallingThread(const CallingThread&) = delete;
  CallingThread& operator=(const CallingThread&) = delete;
  ~CallingThread() { attach(); }

  void attach() noexcept {
    if (state_ != nullptr) PyEval_RestoreThread(std::exchange(state_, nullptr));
  }

  static bool poll(void* self) noexcept {
    auto& thread = *static_cast<CallingThread*>(self);
    if (thread.state_ != nullptr) PyEval_RestoreThread(thread.state_);
    const bool raised = PyErr_CheckSignals() < 0;
    if (raised) thread.raised_.reset(PyErr_GetRaisedException());
    if (thread.state_ != nullptr) thread.state_ = PyEval_SaveThread();
    return raised;
  }

  // Raises again what a signal handler raised (attached).
  void raise_interruption() noexcept { PyErr_SetRaisedException(raised_.release()); }

 private:
  PyThreadState* state_;
  Ref raised_;  // released and destroyed only while attached
};

// work(values...) estimates the operation's cost in nanoseconds; nullptr
// for an operation that is always short (it then gets no interruption).
template <const Signature& signature, auto operation, auto work, class... Kinds>
PyObject* adapt(PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  std::array<PyObject*, sizeof...(Kinds)> slots;
  if (!parse_arguments(signature, args, nargs, kwnames, slots)) return nullptr;
  // Converted values; vectors already converted are released on every exit.
  std::tuple<typename Kinds::type...> values;
  const bool converted = [&]<std::size_t... I>(std::index_sequence<I...>) {
    return ((Kinds::convert(slots[I], std::get<I>(values)) ||
             (add_processing_note(signature.parameters[I]), false)) &&
            ...);
  }(std::index_sequence_for<Kinds...>{});
  if (!converted) return nullptr;
  const auto outcome = [&] {
    if constexpr (work == nullptr) {
      return std::apply([](auto&... value) { return operation(std::move(value)...); }, values);
    } else {
      const bool detach = std::apply(work, values) >= detach_threshold_ns;
      CallingThread thread(detach);
      Interruption interruption(&CallingThread::poll, &thread);
      auto result = std::apply(
          [&](auto&... value) { return operation(std::move(value)..., interruption); }, values);
      thread.attach();
      if (!result && result.error().type == ErrorType::interrupted) thread.raise_interruption();
      return result;
    }
  }();
  if (!outcome) {
    if (outcome.error().type != ErrorType::interrupted) raise_failure(outcome.error());
    return nullptr;
  }
  return to_python(*outcome);
}

// The fast-call entry point of one public function, behind the fault barrier.
template <const Signature& signature, auto operation, auto work, class... Kinds>
PyObject* entry(PyObject* /*self*/, PyObject* const* args, Py_ssize_t nargs,
                PyObject* kwnames) noexcept {
  return fault_barrier<PyObject*>(nullptr, [&] {
    return adapt<signature, operation, work, Kinds...>(args, nargs, kwnames);
  });
}

}  // namespace caustix::module
