// Mining a database into a model from Python: off the interpreter's lock, interruptible, with
// progress reports.
#ifndef CARMASEQ_PYTHON_MINING_H_
#define CARMASEQ_PYTHON_MINING_H_

#include <pybind11/pybind11.h>

namespace carmaseq_python {

namespace py = pybind11;

// Registers mine() on module m.
void BindMining(py::module_& m);

}  // namespace carmaseq_python

#endif  // CARMASEQ_PYTHON_MINING_H_
