// Argument parsing and conversions between Python objects and doubles.
//
// Parsing follows the interpreter's own rules for a function whose
// parameters are all positional-or-keyword and required, with its messages
// ("f() takes 3 positional arguments but 4 were given", ...). Conversions
// report failure as false with a Python exception set; the caller adds the
// processing note naming the parameter.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "module/python.h"

namespace caustix::module {

struct Signature {
  const char* name;
  std::span<const char* const> parameters;
};

// Fills slots[i] with a borrowed reference for every parameter. On failure
// raises the parser's TypeError and returns false.
bool parse_arguments(const Signature& signature, PyObject* const* args, Py_ssize_t nargs,
                     PyObject* kwnames, std::span<PyObject*> slots);

bool to_double(PyObject* object, double& out);
bool to_vector(PyObject* object, std::vector<double>& out);

// Adds "while processing '<parameter>'" to the pending exception. A fault
// raised by a nested call of this module is resumed instead (see faults.h).
void add_processing_note(const char* parameter);

// New Python objects for results. A failure to allocate them is an internal
// fault ("PyObject pointer is null"), after the interpreter's exception has
// gone to the unraisable hook.
PyObject* to_python(double value);
PyObject* to_python(const std::vector<double>& values);
PyObject* to_python(const std::vector<std::vector<double>>& curves);

}  // namespace caustix::module
