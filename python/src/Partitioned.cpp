// Partitioned mining from Python: the steps a distributed engine runs as tasks, each result a
// bytes object (the carmaseq command's step files) that travels between processes as it is.
#include "Partitioned.h"

#include <pybind11/stl.h>

#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "Database.h"
#include "Mining.h"
#include "Model.h"
#include "mining/PartitionedMining.h"

namespace carmaseq_python {

namespace seq = SEQUENCE_NAMESPACE_800;

namespace {

template <typename T, typename Read>
T FromBytes(const py::bytes& bytes, Read read, const char* what) {
  std::istringstream in(static_cast<std::string>(bytes));
  return read(in, what);
}

template <typename T, typename Write>
py::bytes ToBytes(const T& value, Write write) {
  std::ostringstream out;
  write(value, out);
  return py::bytes(out.str());
}

// Pass 1: the partition's frequent sequences, as a candidate file.
py::bytes MineCandidates(const Database& partition, const py::dict& options) {
  const seq::MiningOptions mining = ReadMiningOptions(options);
  seq::CandidateSet set;
  {
    py::gil_scoped_release unlocked;
    set = seq::MineCandidates(partition.db, mining);
  }
  return ToBytes(set, seq::WriteCandidateSet);
}

// The union of every partition's candidate files, as one candidate file of all customers.
py::bytes UniteCandidates(const std::vector<py::bytes>& files) {
  std::vector<seq::CandidateSet> sets;
  for (const py::bytes& file : files) {
    sets.push_back(FromBytes<seq::CandidateSet>(file, seq::ReadCandidateSet, "candidates"));
  }
  seq::CandidateSet all;
  all.patterns = seq::UnionCandidates(sets);
  all.settings = sets.front().settings;
  for (const seq::CandidateSet& set : sets) all.customers += set.customers;
  return ToBytes(all, seq::WriteCandidateSet);
}

// Pass 2: the partition's count of every candidate of the union, as a count file.
py::bytes CountPartition(const Database& partition, const py::bytes& unionFile,
                         const py::dict& options, int threads) {
  const seq::MiningOptions mining = ReadMiningOptions(options);
  const seq::CandidateSet all =
      FromBytes<seq::CandidateSet>(unionFile, seq::ReadCandidateSet, "candidate union");
  seq::PartitionCounts counts;
  {
    py::gil_scoped_release unlocked;
    counts = seq::CountPartition(partition.db, all.patterns, mining, threads);
  }
  return ToBytes(counts, seq::WritePartitionCounts);
}

// The merge: the model mining every partition's customers at once gives.
std::unique_ptr<Model> MergeCounts(const py::bytes& unionFile, const std::vector<py::bytes>& files,
                                   const py::dict& options, const py::dict& names) {
  const seq::MiningOptions mining = ReadMiningOptions(options);
  const seq::CandidateSet all =
      FromBytes<seq::CandidateSet>(unionFile, seq::ReadCandidateSet, "candidate union");
  std::vector<seq::PartitionCounts> counts;
  for (const py::bytes& file : files) {
    counts.push_back(FromBytes<seq::PartitionCounts>(file, seq::ReadPartitionCounts, "counts"));
  }
  seq::SeqDictionarySettings settings;
  settings.numberOfLevels = mining.maxItems + 1;
  seq::BuildResult built;
  {
    py::gil_scoped_release unlocked;
    built = seq::MergeCounts(all.patterns, counts, mining, settings, all.settings.maxItems);
  }
  if (built.dictionary == nullptr) throw std::bad_alloc();
  auto model = std::make_unique<Model>();
  model->dictionary = std::move(built.dictionary);
  for (const auto& [id, name] : names) {
    model->names.Add(py::cast<std::int32_t>(id), py::cast<std::string>(name));
  }
  model->source.input = "partitions";
  model->source.format = "partitions";
  model->source.minSupport = mining.minSupport;
  model->source.maxItems = mining.maxItems;
  model->source.minGap = mining.minGap;
  model->source.maxGap = mining.maxGap;
  model->source.window = mining.slidingWindow;
  const seq::DatabaseStats stats = seq::MergedStats(counts);
  model->maxItemsPerSet = stats.maxItemsPerSet;
  model->avgItemsPerSet = stats.avgItemsPerSet;
  return model;
}

}  // namespace

void BindPartitioned(py::module_& m) {
  py::register_exception_translator([](std::exception_ptr p) {
    try {
      if (p) std::rethrow_exception(p);
    } catch (const seq::PartitionError& error) {
      PyErr_SetString(PyExc_ValueError, error.what());
    }
  });
  m.def("mine_candidates", &MineCandidates, py::arg("partition"), py::arg("options"));
  m.def("unite_candidates", &UniteCandidates, py::arg("files"));
  m.def("count_partition", &CountPartition, py::arg("partition"), py::arg("union"),
        py::arg("options"), py::arg("threads") = 1);
  m.def("merge_counts", &MergeCounts, py::arg("union"), py::arg("counts"), py::arg("options"),
        py::arg("names"));
}

}  // namespace carmaseq_python
