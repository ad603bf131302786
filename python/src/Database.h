// Customers' histories as the Python package hands them to the miner: built in bulk from arrays
// of codes, or read from the files the carmaseq command reads.
#ifndef CARMASEQ_PYTHON_DATABASE_H_
#define CARMASEQ_PYTHON_DATABASE_H_

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstdint>

#include "input/ItemNameMap.h"
#include "input/SequenceDatabase.h"

namespace carmaseq_python {

namespace py = pybind11;

// A database with the names of its items (empty when items are plain ids). Movable.
struct Database {
  SEQUENCE_NAMESPACE_800::SequenceDatabase db;
  SEQUENCE_NAMESPACE_800::ItemNameMap names;
};

template <typename T>
using Array = py::array_t<T, py::array::c_style | py::array::forcecast>;

// Builds a database from one row per item: customer codes in 0..numCustomers-1 (customers come
// in code order, codes without rows are customers without history), each row's time and item id.
// A customer's rows with equal times form one item set; sets are ordered by time, rows need not
// be sorted. Runs without the GIL. Throws std::invalid_argument for arrays of unequal length, a
// code out of range, a negative item id or a time that is not finite.
Database FromCodes(const Array<std::int64_t>& customers, const Array<double>& times,
                   const Array<std::int32_t>& items, std::int64_t numCustomers);

// The names of the map by id.
py::dict NamesDict(const SEQUENCE_NAMESPACE_800::ItemNameMap& names);

// Registers Database, the file readers and the time parser on module m.
void BindDatabase(py::module_& m);

}  // namespace carmaseq_python

#endif  // CARMASEQ_PYTHON_DATABASE_H_
