// A mined (or loaded) dictionary as the Python package queries it.
#ifndef CARMASEQ_PYTHON_MODEL_H_
#define CARMASEQ_PYTHON_MODEL_H_

#include <pybind11/pybind11.h>

#include <cstdint>
#include <memory>

#include "dictionary/SequenceDictionary.h"
#include "input/ItemNameMap.h"
#include "mining/SequenceMiner.h"

namespace carmaseq_python {

namespace py = pybind11;

// What a model was mined with and from: the options and the database figures its PMML document
// reports. Copyable.
struct MinedFrom {
  SEQUENCE_NAMESPACE_800::MiningOptions options;
  std::int32_t maxItemsPerSet = 0;
  double avgItemsPerSet = 0;
};

// Owns the dictionary (never null, lattice built) and the item names. The dictionary serves one
// thread at a time: every query runs holding the GIL. Not copyable.
struct Model {
  std::unique_ptr<SEQUENCE_NAMESPACE_800::SequenceDictionary> dictionary;
  SEQUENCE_NAMESPACE_800::ItemNameMap names;
  MinedFrom from;
};

// Registers Model and its queries on module m.
void BindModel(py::module_& m);

}  // namespace carmaseq_python

#endif  // CARMASEQ_PYTHON_MODEL_H_
