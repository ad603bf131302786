// Scoring case records from Python through the scoring plug-in module, as a host does.
#ifndef CARMASEQ_PYTHON_SCORER_H_
#define CARMASEQ_PYTHON_SCORER_H_

#include <pybind11/pybind11.h>

namespace carmaseq_python {

namespace py = pybind11;

// Registers Scorer and the plug-in's paths on module m.
void BindScorer(py::module_& m);

}  // namespace carmaseq_python

#endif  // CARMASEQ_PYTHON_SCORER_H_
