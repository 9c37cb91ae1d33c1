#include "module/faults.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace caustix::module {

namespace {

constexpr const char* generic_fault_text = "internal fault in caustix's native code";

// Created once per process and never released. The pointer is published
// with release/acquire; creation runs under a PyMutex, which detaches a
// waiting thread from the interpreter so that it cannot stall the others.
std::atomic<PyObject*> fault_class{nullptr};
PyMutex fault_class_mutex;

}  // namespace

PyObject* internal_fault_class() noexcept {
  if (PyObject* cls = fault_class.load(std::memory_order_acquire)) return cls;
  PyMutex_Lock(&fault_class_mutex);
  PyObject* cls = fault_class.load(std::memory_order_relaxed);
  if (cls == nullptr) {
    cls = PyErr_NewExceptionWithDoc(
        "caustix.InternalFault",
        "Raised when caustix's native code faults (a failed internal assertion or another\n"
        "unrecoverable error). Like SystemExit, it derives from BaseException, so that it\n"
        "usually propagates all the way up the stack and ends the interpreter.",
        PyExc_BaseException, nullptr);
    if (cls != nullptr) fault_class.store(cls, std::memory_order_release);
  }
  PyMutex_Unlock(&fault_class_mutex);
  return cls;
}

void raise_internal_fault(const char* message) noexcept {
  PyObject* cls = internal_fault_class();
  if (cls == nullptr) return;  // the class could not be made: that error stays set
  PyObject* text = PyUnicode_DecodeUTF8(message, static_cast<Py_ssize_t>(std::strlen(message)),
                                        "replace");
  if (text == nullptr) return;
  PyErr_SetObject(cls, text);
  Py_DECREF(text);
}

void resume_fault_from_python() {
  PyObject* cls = fault_class.load(std::memory_order_acquire);
  if (cls == nullptr) return;  // no fault can have been raised yet
  PyObject* exc = PyErr_GetRaisedException();
  if (exc == nullptr) return;
  if (!Py_IS_TYPE(exc, reinterpret_cast<PyTypeObject*>(cls))) {
    PyErr_SetRaisedException(exc);
    return;
  }
  std::string message = generic_fault_text;
  if (PyObject* text = PyObject_Str(exc)) {
    if (const char* utf8 = PyUnicode_AsUTF8(text)) message = utf8;
    Py_DECREF(text);
  }
  PyErr_Clear();
  std::fputs(
      "caustix: resuming an internal fault that came back from Python\n"
      "caustix: the Python traceback follows\n",
      stderr);
  PyErr_SetRaisedException(exc);  // steals the reference
  PyErr_PrintEx(0);
  raise_fault(std::move(message));
}

void convert_current_exception() noexcept {
  try {
    try {
      throw;
    } catch (const InternalFault& fault) {
      // Already reported where it was raised.
      raise_internal_fault(fault.what());
    } catch (const std::exception& error) {
      report_fault(error.what());
      raise_internal_fault(error.what());
    } catch (...) {
      report_fault(generic_fault_text);
      raise_internal_fault(generic_fault_text);
    }
  } catch (...) {
    report_fault("uncaught panic at ffi boundary");
    std::abort();
  }
}

}  // namespace caustix::module
