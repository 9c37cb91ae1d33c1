// The extension module caustix: its definition, the execution step that
// registers the public functions, and their entry points.
#include "kernels/ring.h"
#include "lightcurves/flux_map.h"
#include "lightcurves/limb_darkened.h"
#include "lightcurves/uniform.h"
#include "module/adapter.h"

namespace caustix::module {

namespace {

constexpr const char* light_curve_parameters[] = {"l", "re", "rstar"};
constexpr const char* ring_parameters[] = {"l", "r", "re", "rstar"};
constexpr const char* flux_map_parameters[] = {"l", "re", "rstar", "bl", "bf"};

constexpr Signature witt_mao_signature{"witt_mao_magnification", light_curve_parameters};
constexpr Signature integrated_witt_mao_signature{"integrated_witt_mao_magnification",
                                                  light_curve_parameters};
constexpr Signature integrated_heyrovsky_signature{"integrated_heyrovsky_magnification",
                                                   light_curve_parameters};
constexpr Signature multi_witt_mao_signature{"multi_witt_mao_magnification",
                                             light_curve_parameters};
constexpr Signature heyrovsky_signature{"heyrovsky_magnification", ring_parameters};
constexpr Signature integrated_flux_map_witt_mao_signature{
    "integrated_flux_map_witt_mao_magnification", flux_map_parameters};
constexpr Signature integrated_flux_map_heyrovsky_signature{
    "integrated_flux_map_heyrovsky_magnification", flux_map_parameters};
constexpr Signature discrete_flux_map_signature{"discrete_flux_map_heyrovsky_magnification",
                                                flux_map_parameters};

// Estimated costs in nanoseconds, from the converted arguments (make bench,
// rounded down): they decide whether a call detaches from the interpreter.
double uniform_work(const std::vector<double>& l, double, double) { return 10.0 * l.size(); }
double multi_work(const std::vector<double>& l, const std::vector<double>& re,
                  const std::vector<double>& rstar) {
  return 10.0 * l.size() * re.size() * rstar.size();
}
double integrated_work(const std::vector<double>& l, double, double) { return 1000.0 * l.size(); }
double flux_map_work(const std::vector<double>& l, double, double, const std::vector<double>&,
                     const std::vector<double>&) {
  return 2000.0 + 10000.0 * l.size();
}
double discrete_work(const std::vector<double>& l, double, double, const std::vector<double>& bl,
                     const std::vector<double>&) {
  return 40.0 * l.size() * bl.size();
}

constexpr int calling_flags = METH_FASTCALL | METH_KEYWORDS | METH_STATIC;

template <auto fast_call>
PyCFunction as_cfunction() {
  return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(fast_call));
}

// The public functions in the order of registration. Static, never changed;
// shared by every module object made from the definition.
PyMethodDef functions[] = {
    {"witt_mao_magnification",
     as_cfunction<entry<witt_mao_signature, witt_mao_magnification, uniform_work, Sequence, Float, Float>>(),
     calling_flags, "witt_mao_magnification(l, re, rstar)\n--\n\n"},
    {"integrated_witt_mao_magnification",
     as_cfunction<entry<integrated_witt_mao_signature, integrated_witt_mao_magnification, integrated_work, Sequence,
                        Float, Float>>(),
     calling_flags, "integrated_witt_mao_magnification(l, re, rstar)\n--\n\n"},
    {"integrated_flux_map_witt_mao_magnification",
     as_cfunction<entry<integrated_flux_map_witt_mao_signature,
                        integrated_flux_map_witt_mao_magnification, flux_map_work, Sequence, Float, Float, Sequence,
                        Sequence>>(),
     calling_flags, "integrated_flux_map_witt_mao_magnification(l, re, rstar, bl, bf)\n--\n\n"},
    {"multi_witt_mao_magnification",
     as_cfunction<entry<multi_witt_mao_signature, multi_witt_mao_magnification, multi_work, Sequence,
                        Sequence, Sequence>>(),
     calling_flags, "multi_witt_mao_magnification(l, re, rstar)\n--\n\n"},
    {"heyrovsky_magnification",
     as_cfunction<entry<heyrovsky_signature, heyrovsky_magnification, nullptr, Float, Float, Float, Float>>(),
     calling_flags, "heyrovsky_magnification(l, r, re, rstar)\n--\n\n"},
    {"integrated_heyrovsky_magnification",
     as_cfunction<entry<integrated_heyrovsky_signature, integrated_heyrovsky_magnification,
                        integrated_work, Sequence, Float, Float>>(),
     calling_flags, "integrated_heyrovsky_magnification(l, re, rstar)\n--\n\n"},
    {"integrated_flux_map_heyrovsky_magnification",
     as_cfunction<entry<integrated_flux_map_heyrovsky_signature,
                        integrated_flux_map_heyrovsky_magnification, flux_map_work, Sequence, Float, Float, Sequence,
                        Sequence>>(),
     calling_flags, "integrated_flux_map_heyrovsky_magnification(l, re, rstar, bl, bf)\n--\n\n"},
    {"discrete_flux_map_heyrovsky_magnification",
     as_cfunction<entry<discrete_flux_map_signature, discrete_flux_map_heyrovsky_magnification,
                        discrete_work, Sequence, Float, Float, Sequence, Sequence>>(),
     calling_flags, "discrete_flux_map_heyrovsky_magnification(l, re, rstar, bl, bf)\n--\n\n"},
};

// Adds one function to the module and its name to __all__.
bool register_function(PyObject* module, PyObject* module_name, PyMethodDef* definition) {
  Ref function(PyCMethod_New(definition, module, module_name, nullptr));
  if (!function) return false;
  Ref name(PyObject_GetAttrString(function.get(), "__name__"));
  if (!name) return false;
  Ref all(PyObject_GetAttrString(module, "__all__"));
  if (!all) {
    if (!PyErr_ExceptionMatches(PyExc_AttributeError)) return false;
    PyErr_Clear();
    all.reset(PyList_New(0));
    if (!all || PyObject_SetAttrString(module, "__all__", all.get()) < 0) return false;
  }
  if (!PyList_Check(all.get())) {
    PyErr_SetString(PyExc_TypeError, "__all__ must be a list");
    return false;
  }
  if (PyList_Append(all.get(), name.get()) < 0) {
    PyErr_Clear();
    raise_fault("could not append __name__ to __all__");
  }
  return PyObject_SetAttr(module, name.get(), function.get()) == 0;
}

int exec_module(PyObject* module) noexcept {
  return fault_barrier<int>(-1, [&] {
    if (module == nullptr) {
      if (!PyErr_Occurred()) {
        PyErr_SetString(PyExc_SystemError, "attempted to fetch exception but none was set");
      }
      return -1;
    }
    if (!PyModule_Check(module)) {
      Ref type_name(PyType_GetQualName(Py_TYPE(module)));
      if (type_name) {
        PyErr_Format(PyExc_TypeError, "'%U' object is not an instance of 'module'", type_name.get());
      }
      return -1;
    }
    Ref module_name(PyModule_GetNameObject(module));
    if (!module_name) return -1;
    for (PyMethodDef& function : functions) {
      if (!register_function(module, module_name.get(), &function)) {
        resume_fault_from_python();
        return -1;
      }
    }
    return 0;
  });
}

PyModuleDef_Slot slots[] = {
    {Py_mod_exec, reinterpret_cast<void*>(exec_module)},
    // The module keeps no state and its operations share nothing mutable
    // (see the comments on the pool and the once-created objects), so the
    // free-threaded interpreter need not enable the GIL for it.
    {Py_mod_gil, Py_MOD_GIL_NOT_USED},
    {0, nullptr},
};

PyModuleDef definition = {
    PyModuleDef_HEAD_INIT,
    "caustix",
    "Microlensing light curves of finite source stars, implemented natively.",
    0,
    nullptr,
    slots,
    nullptr,
    nullptr,
    nullptr,
};

}  // namespace

void raise_failure(const Failure& failure) {
  PyObject* type = PyExc_RuntimeError;  // the only failure type the operations report
  PyObject* text = PyUnicode_FromStringAndSize(failure.message.data(),
                                               static_cast<Py_ssize_t>(failure.message.size()));
  if (text == nullptr) return;
  PyErr_SetObject(type, text);
  Py_DECREF(text);
}

}  // namespace caustix::module

extern "C" PyMODINIT_FUNC PyInit_caustix() { return PyModuleDef_Init(&caustix::module::definition); }
