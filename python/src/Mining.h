// Mining a database into a model from Python: off the interpreter's lock, interruptible, with
// progress reports.
#ifndef CARMASEQ_PYTHON_MINING_H_
#define CARMASEQ_PYTHON_MINING_H_

#include <pybind11/pybind11.h>

#include "mining/SequenceMiner.h"

namespace carmaseq_python {

namespace py = pybind11;

// The mining options by their Python names (min_support, max_items, min_gap, max_gap, window).
// Throws std::invalid_argument for an unknown name.
SEQUENCE_NAMESPACE_800::MiningOptions ReadMiningOptions(const py::dict& given);

// Registers mine() on module m.
void BindMining(py::module_& m);

}  // namespace carmaseq_python

#endif  // CARMASEQ_PYTHON_MINING_H_
