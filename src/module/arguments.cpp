#include "module/arguments.h"

#include <cstring>
#include <new>
#include <stdexcept>
#include <string>

#include "module/faults.h"

namespace caustix::module {

namespace {

// 'a', 'a' and 'b', 'a', 'b', and 'c'
std::string quoted_list(const std::vector<const char*>& names) {
  std::string text;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += names.size() == 2 ? " and " : (i + 1 == names.size() ? ", and " : ", ");
    text += '\'';
    text += names[i];
    text += '\'';
  }
  return text;
}

}  // namespace

bool parse_arguments(const Signature& signature, PyObject* const* args, Py_ssize_t nargs,
                     PyObject* kwnames, std::span<PyObject*> slots) {
  const auto count = static_cast<Py_ssize_t>(signature.parameters.size());
  if (nargs > count) {
    PyErr_Format(PyExc_TypeError, "%s() takes %zd positional arguments but %zd were given",
                 signature.name, count, nargs);
    return false;
  }
  for (auto& slot : slots) slot = nullptr;
  for (Py_ssize_t i = 0; i < nargs; ++i) slots[i] = args[i];

  const Py_ssize_t nkw = kwnames == nullptr ? 0 : PyTuple_GET_SIZE(kwnames);
  for (Py_ssize_t j = 0; j < nkw; ++j) {
    PyObject* keyword = PyTuple_GET_ITEM(kwnames, j);
    Py_ssize_t match = -1;
    for (Py_ssize_t i = 0; i < count; ++i) {
      if (PyUnicode_EqualToUTF8(keyword, signature.parameters[i])) {
        match = i;
        break;
      }
    }
    if (match < 0) {
      PyErr_Format(PyExc_TypeError, "%s() got an unexpected keyword argument '%U'", signature.name,
                   keyword);
      return false;
    }
    if (slots[match] != nullptr) {
      PyErr_Format(PyExc_TypeError, "%s() got multiple values for argument '%s'", signature.name,
                   signature.parameters[match]);
      return false;
    }
    slots[match] = args[nargs + j];
  }

  if (nargs < count) {
    std::vector<const char*> missing;
    for (Py_ssize_t i = nargs; i < count; ++i) {
      if (slots[i] == nullptr) missing.push_back(signature.parameters[i]);
    }
    if (missing.size() == 1) {
      PyErr_Format(PyExc_TypeError, "%s() missing 1 required positional argument: %s",
                   signature.name, quoted_list(missing).c_str());
      return false;
    }
    if (!missing.empty()) {
      PyErr_Format(PyExc_TypeError, "%s() missing %zu required positional arguments: %s",
                   signature.name, missing.size(), quoted_list(missing).c_str());
      return false;
    }
  }
  return true;
}

bool to_double(PyObject* object, double& out) {
  if (PyFloat_CheckExact(object)) {
    out = PyFloat_AS_DOUBLE(object);
    return true;
  }
  const double value = PyFloat_AsDouble(object);
  if (value == -1.0 && PyErr_Occurred()) return false;
  out = value;
  return true;
}

namespace {

// NumPy arrays, array.array and memoryview of exactly these types (not
// subclasses, which may override iteration) can hand over their doubles.
bool may_expose_doubles(PyObject* object) {
  if (Py_IS_TYPE(object, &PyMemoryView_Type)) return true;
  const char* name = Py_TYPE(object)->tp_name;
  return std::strcmp(name, "numpy.ndarray") == 0 || std::strcmp(name, "array.array") == 0;
}

// Reads a one-dimensional, C-contiguous buffer of native doubles directly.
// Returns false, with no exception set, for any other buffer: the caller
// then iterates, which gives the same values one Python float at a time.
bool read_double_buffer(PyObject* object, std::vector<double>& out) {
  if (!may_expose_doubles(object)) return false;
  Py_buffer view;
  if (PyObject_GetBuffer(object, &view, PyBUF_FORMAT | PyBUF_C_CONTIGUOUS) < 0) {
    PyErr_Clear();
    return false;
  }
  const bool doubles = view.ndim == 1 && view.itemsize == sizeof(double) && view.format != nullptr &&
                       std::strcmp(view.format, "d") == 0;
  if (doubles) {
    const auto* first = static_cast<const double*>(view.buf);
    out.assign(first, first + view.len / static_cast<Py_ssize_t>(sizeof(double)));
  }
  PyBuffer_Release(&view);
  return doubles;
}

}  // namespace

bool to_vector(PyObject* object, std::vector<double>& out) {
  if (PyType_HasFeature(Py_TYPE(object), Py_TPFLAGS_UNICODE_SUBCLASS)) {
    PyErr_SetString(PyExc_TypeError, "a str cannot be converted to a vector of floats");
    return false;
  }
  if (!PySequence_Check(object)) {
    if (object == Py_None) {
      PyErr_SetString(PyExc_TypeError, "'None' is not an instance of 'Sequence'");
    } else {
      PyObject* name = PyType_GetQualName(Py_TYPE(object));
      if (name == nullptr) return false;
      PyErr_Format(PyExc_TypeError, "'%U' object is not an instance of 'Sequence'", name);
      Py_DECREF(name);
    }
    return false;
  }
  if (read_double_buffer(object, out)) return true;
  // The reported length is only a capacity hint: a failing or lying __len__
  // does not change what the iteration yields.
  const Py_ssize_t hint = PyObject_Size(object);
  if (hint < 0) {
    PyErr_Clear();
  } else {
    try {
      out.reserve(static_cast<std::size_t>(hint));
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
  }
  PyObject* iterator = PyObject_GetIter(object);
  if (iterator == nullptr) return false;
  bool ok = true;
  for (;;) {
    PyObject* item = nullptr;
    const int status = PyIter_NextItem(iterator, &item);
    if (status == 0) break;
    if (status < 0) {
      ok = false;
      break;
    }
    double value;
    ok = to_double(item, value);
    Py_DECREF(item);
    if (!ok) break;
    out.push_back(value);
  }
  Py_DECREF(iterator);
  if (!ok) std::vector<double>().swap(out);
  return ok;
}

void add_processing_note(const char* parameter) {
  resume_fault_from_python();
  PyObject* exc = PyErr_GetRaisedException();
  if (exc == nullptr) return;
  PyObject* note = PyUnicode_FromFormat("while processing '%s'", parameter);
  PyObject* done = note == nullptr ? nullptr : PyObject_CallMethod(exc, "add_note", "O", note);
  // A note that cannot be added is dropped; the conversion error stands.
  if (done == nullptr) PyErr_Clear();
  Py_XDECREF(done);
  Py_XDECREF(note);
  PyErr_SetRaisedException(exc);
}

namespace {

[[noreturn]] void null_object() {
  PyErr_WriteUnraisable(nullptr);
  raise_fault("PyObject pointer is null");
}

PyObject* new_float(double value) {
  PyObject* object = PyFloat_FromDouble(value);
  if (object == nullptr) null_object();
  return object;
}

}  // namespace

PyObject* to_python(double value) { return new_float(value); }

PyObject* to_python(const std::vector<double>& values) {
  Ref list(PyList_New(static_cast<Py_ssize_t>(values.size())));
  if (!list) null_object();
  for (std::size_t i = 0; i < values.size(); ++i) {
    PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), new_float(values[i]));
  }
  return list.release();
}

PyObject* to_python(const std::vector<std::vector<double>>& curves) {
  Ref list(PyList_New(static_cast<Py_ssize_t>(curves.size())));
  if (!list) null_object();
  for (std::size_t i = 0; i < curves.size(); ++i) {
    PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), to_python(curves[i]));
  }
  return list.release();
}

}  // namespace caustix::module
