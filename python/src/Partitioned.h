// Partitioned mining from Python: pass 1, the union, pass 2 and the merge as functions a
// distributed engine calls in its tasks.
#ifndef CARMASEQ_PYTHON_PARTITIONED_H_
#define CARMASEQ_PYTHON_PARTITIONED_H_

#include <pybind11/pybind11.h>

namespace carmaseq_python {

namespace py = pybind11;

// Registers mine_candidates, unite_candidates, count_partition and merge_counts on module m.
void BindPartitioned(py::module_& m);

}  // namespace carmaseq_python

#endif  // CARMASEQ_PYTHON_PARTITIONED_H_
