// _carmaseq: the extension under the carmaseq package. It moves arrays in bulk and calls the
// engine; argument checking, defaults and DataFrames live in the package's Python code.
#include <pybind11/pybind11.h>

#include <new>

#include "Database.h"
#include "Mining.h"
#include "Model.h"
#include "Partitioned.h"
#include "foundation/Exceptions.h"
#include "input/InputError.h"
#include "mining/ModelFile.h"
#ifdef CARMASEQ_HAS_SCORER
#include "Scorer.h"
#endif

namespace py = pybind11;

namespace {

// Raises carmaseq.InputError with the file and line of a malformed input line.
void RaiseInputError(const SeqExceptions::InputError& error) {
  py::object type = py::module_::import("carmaseq._errors").attr("InputError");
  py::object instance = type(error.what(), py::arg("source") = error.source(),
                             py::arg("line") = error.line(), py::arg("reason") = error.reason());
  PyErr_SetObject(type.ptr(), instance.ptr());
}

// Raises carmaseq.InputError for a file that is not a model or is damaged.
void RaiseModelFileError(const SEQUENCE_NAMESPACE_800::ModelFileError& error) {
  py::object type = py::module_::import("carmaseq._errors").attr("InputError");
  py::object instance =
      type(error.what(), py::arg("source") = error.path(), py::arg("reason") = error.reason());
  PyErr_SetObject(type.ptr(), instance.ptr());
}

}  // namespace

PYBIND11_MODULE(_carmaseq, m) {
  m.doc() = "The engine under the carmaseq package.";
  py::register_exception_translator([](std::exception_ptr p) {
    try {
      if (p) std::rethrow_exception(p);
    } catch (const SeqExceptions::InputError& error) {
      RaiseInputError(error);
    } catch (const SEQUENCE_NAMESPACE_800::ModelFileError& error) {
      RaiseModelFileError(error);
    } catch (const SeqExceptions::DictionaryFailure&) {
      PyErr_SetString(PyExc_MemoryError, "out of memory in the dictionary");
    }
  });
  carmaseq_python::BindDatabase(m);
  carmaseq_python::BindMining(m);
  carmaseq_python::BindModel(m);
  carmaseq_python::BindPartitioned(m);
#ifdef CARMASEQ_HAS_SCORER
  carmaseq_python::BindScorer(m);
#endif
}
