// The call adapter: parse, convert in parameter order, call one operation,
// raise its failure or build its Python result.
#pragma once

#include <array>
#include <tuple>
#include <utility>
#include <vector>

#include "module/arguments.h"
#include "module/faults.h"
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

template <const Signature& signature, auto operation, class... Kinds>
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
  const auto outcome =
      std::apply([](auto&... value) { return operation(std::move(value)...); }, values);
  if (!outcome) {
    raise_failure(outcome.error());
    return nullptr;
  }
  return to_python(*outcome);
}

// The fast-call entry point of one public function, behind the fault barrier.
template <const Signature& signature, auto operation, class... Kinds>
PyObject* entry(PyObject* /*self*/, PyObject* const* args, Py_ssize_t nargs,
                PyObject* kwnames) noexcept {
  return fault_barrier<PyObject*>(nullptr, [&] {
    return adapt<signature, operation, Kinds...>(args, nargs, kwnames);
  });
}

}  // namespace caustix::module
