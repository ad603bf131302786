// A mined (or loaded) dictionary as the Python package queries it.
#ifndef CARMASEQ_PYTHON_MODEL_H_
#define CARMASEQ_PYTHON_MODEL_H_

#include <pybind11/pybind11.h>

#include <cstdint>
#include <memory>

#include "dictionary/SequenceDictionary.h"
#include "input/ItemNameMap.h"
#include "mining/ModelFile.h"

namespace carmaseq_python {

namespace py = pybind11;

// Owns the dictionary (never null, lattice built), the item names and what the model was mined
// from. The dictionary serves one thread at a time: every query runs holding the GIL. Not
// copyable.
struct Model {
  std::unique_ptr<SEQUENCE_NAMESPACE_800::SequenceDictionary> dictionary;
  SEQUENCE_NAMESPACE_800::ItemNameMap names;
  SEQUENCE_NAMESPACE_800::ModelSource source;
  // Figures of the mined database that the PMML document reports; a loaded model has none
  // (both 0).
  std::int32_t maxItemsPerSet = 0;
  double avgItemsPerSet = 0;
};

// Registers Model and its queries on module m.
void BindModel(py::module_& m);

}  // namespace carmaseq_python

#endif  // CARMASEQ_PYTHON_MODEL_H_
