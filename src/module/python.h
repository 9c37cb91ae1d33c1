// The one place the interpreter's C interface is included.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <utility>

namespace caustix::module {

// Owns one strong reference.
class Ref {
 public:
  explicit Ref(PyObject* object = nullptr) noexcept : object_(object) {}
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  ~Ref() { Py_XDECREF(object_); }
  explicit operator bool() const noexcept { return object_ != nullptr; }
  PyObject* get() const noexcept { return object_; }
  PyObject* release() noexcept { return std::exchange(object_, nullptr); }
  void reset(PyObject* object) noexcept { Py_XDECREF(std::exchange(object_, object)); }

 private:
  PyObject* object_;
};

}  // namespace caustix::module
