// Internal faults at the module boundary.
//
// Every entry point runs its body inside fault_barrier: a C++ exception that
// escapes the body becomes the internal-fault exception, a process-wide class
// derived directly from BaseException, raised with the fault's message as its
// single argument. No exception ever unwinds into the interpreter.
#pragma once

#include <exception>

#include "module/python.h"
#include "numerics/fault.h"

namespace caustix::module {

// The internal-fault class, created on first need (nullptr with a Python
// exception set if it cannot be created).
PyObject* internal_fault_class() noexcept;

// Raises the internal-fault exception with this message.
void raise_internal_fault(const char* message) noexcept;

// Called where the adapter takes over a pending Python exception: if it is
// an internal fault raised by a nested call of this module (through a
// __float__, __iter__, ... that called back into it), prints it with its
// traceback and raises a new fault carrying the same message. Otherwise
// leaves the exception pending and returns.
void resume_fault_from_python();

// Converts the exception being handled into the internal-fault exception.
void convert_current_exception() noexcept;

template <class Result, class Body>
Result fault_barrier(Result on_fault, Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    convert_current_exception();
    return on_fault;
  }
}

}  // namespace caustix::module
