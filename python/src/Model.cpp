#include "Model.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <new>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "Database.h"
#include "ReportPage.h"
#include "dictionary/SeqAssociationRule.h"
#include "dictionary/SeqConsequentDescriptor.h"
#include "sequence/Sequence.h"
#include "sequence/SequenceCounter.h"
#include "sequence/TimedItemSet.h"

namespace carmaseq_python {

namespace seq = SEQUENCE_NAMESPACE_800;

namespace {

void Check(const QxCommon_940::QxStatus& status) {
  if (!status.IsOK()) throw std::bad_alloc();
}

// A sequence as Python sees it: a tuple of item sets, each a tuple of item ids.
py::tuple SequenceTuple(const seq::Sequence& sequence) {
  py::tuple sets(sequence.Length());
  for (int i = 0; i < sequence.Length(); ++i) {
    const seq::TimedItemSet& set = sequence[i];
    py::tuple items(set.Size());
    int k = 0;
    for (auto it = set.Begin(); it != set.End(); ++it) items[k++] = py::int_(*it);
    sets[i] = std::move(items);
  }
  return sets;
}

// Reads an iterable of item sets (iterables of item ids) into *out: set k gets time k, as the
// command reads a typed history (an empty set is kept: "()" is an item set with no items).
void ReadSequence(const py::handle& sets, seq::Sequence* out) {
  int k = 0;
  for (const py::handle set : sets) {
    seq::TimedItemSet timed(0, static_cast<double>(k));
    for (const py::handle item : set) {
      const long long id = item.cast<long long>();
      if (id < 0 || id > std::numeric_limits<std::int32_t>::max()) {
        throw std::invalid_argument("item id out of range: " + std::to_string(id));
      }
      timed.AddItem(static_cast<int>(id));
    }
    out->AddTimedItemSet(&timed);
    ++k;
  }
}

template <typename T>
py::array_t<T> ToArray(const std::vector<T>& values) {
  return py::array_t<T>(static_cast<py::ssize_t>(values.size()), values.data());
}

double Share(const seq::SequenceCounter* counter, double total) {
  if (counter == nullptr || total <= 0) return std::numeric_limits<double>::quiet_NaN();
  return counter->getCount() / total;
}

char SortLetter(const std::string& measure) {
  if (measure == "support") return 'S';
  if (measure == "confidence") return 'C';
  if (measure == "cause") return 'A';
  throw std::invalid_argument("sort must be 'support', 'confidence' or 'cause', not '" + measure +
                              "'");
}

// The bands and order of a rule query, as the rules command takes them.
struct RuleQuery {
  double minSupport = 0, maxSupport = 1, minConfidence = 0, maxConfidence = 1, minCause = 0,
         maxCause = 1;
  std::string sort = "confidence";
  bool maximal = false;
};

// Columns antecedent, consequent (lists of sequences), support, confidence, cause, lift.
py::dict Rules(Model& model, const RuleQuery& q) {
  std::vector<seq::SeqAssociationRule> rules;
  Check(model.dictionary->GetRules(rules, q.minSupport, q.maxSupport, q.minConfidence,
                                   q.maxConfidence, q.minCause, q.maxCause, SortLetter(q.sort),
                                   q.maximal));
  const double total = model.dictionary->getTotalCount();
  py::list antecedents, consequents;
  std::vector<double> support, confidence, cause, lift;
  for (const seq::SeqAssociationRule& rule : rules) {
    antecedents.append(SequenceTuple(rule.GetAntecedent()));
    consequents.append(SequenceTuple(rule.GetConsequent()));
    support.push_back(rule.GetSupport());
    confidence.push_back(rule.GetConfidence());
    cause.push_back(rule.GetCause());
    const double alone = Share(model.dictionary->getDescriptor(&rule.GetConsequent()), total);
    lift.push_back(rule.GetConfidence() / alone);
  }
  py::dict columns;
  columns["antecedent"] = antecedents;
  columns["consequent"] = consequents;
  columns["support"] = ToArray(support);
  columns["confidence"] = ToArray(confidence);
  columns["cause"] = ToArray(cause);
  columns["lift"] = ToArray(lift);
  return columns;
}

// Predicts for each history of the list. Columns: history (its index), item, confidence,
// support, cause; each history's items best first.
py::dict Predict(Model& model, const py::list& histories, int top, bool current, bool wholeOnly) {
  if (top < 0) throw std::invalid_argument("top must not be negative");
  std::vector<std::int64_t> index;
  std::vector<std::int32_t> item;
  std::vector<double> confidence, support, cause;
  std::vector<seq::SeqConsequentDescriptor> found;
  for (std::size_t h = 0; h < histories.size(); ++h) {
    seq::Sequence sequence;
    ReadSequence(histories[h], &sequence);
    found.clear();
    Check(current ? model.dictionary->GetCurrentItems(found, &sequence, top)
                  : model.dictionary->GetFutureItems(found, &sequence, top, wholeOnly));
    for (const seq::SeqConsequentDescriptor& d : found) {
      index.push_back(static_cast<std::int64_t>(h));
      item.push_back(d.GetItem());
      confidence.push_back(d.GetConfidence());
      support.push_back(d.GetSupport());
      cause.push_back(d.GetCause());
    }
  }
  py::dict columns;
  columns["history"] = ToArray(index);
  columns["item"] = ToArray(item);
  columns["confidence"] = ToArray(confidence);
  columns["support"] = ToArray(support);
  columns["cause"] = ToArray(cause);
  return columns;
}

// Columns sequence, count of the given sequences, which the function deletes.
template <typename Container>
py::dict SequenceColumns(Model& model, const Container& sequences) {
  py::list list;
  std::vector<std::int32_t> counts;
  for (const seq::Sequence* sequence : sequences) {
    list.append(SequenceTuple(*sequence));
    const seq::SequenceCounter* counter = model.dictionary->getDescriptor(sequence);
    counts.push_back(counter != nullptr ? counter->getCount() : 0);
  }
  py::dict columns;
  columns["sequence"] = list;
  columns["count"] = ToArray(counts);
  return columns;
}

// The held sequences containing (mode "contains"), beginning or ending with query.
py::dict Search(Model& model, const std::string& mode, const py::handle& query, int minCount,
                int maxCount) {
  seq::Sequence sequence;
  ReadSequence(query, &sequence);
  std::set<seq::Sequence*> found;
  seq::SequenceDictionary& d = *model.dictionary;
  QxCommon_940::QxStatus status;
  if (mode == "contains") {
    status = d.FindSequences(&sequence, found, minCount, maxCount);
  } else if (mode == "begins") {
    status = d.FindSequencesBeginning(&sequence, found, minCount, maxCount);
  } else if (mode == "ends") {
    status = d.FindSequencesEnding(&sequence, found, minCount, maxCount);
  } else {
    throw std::invalid_argument("unknown search mode '" + mode + "'");
  }
  struct Owner {
    std::set<seq::Sequence*>& s;
    ~Owner() {
      for (seq::Sequence* p : s) delete p;
    }
  } owner{found};
  Check(status);
  return SequenceColumns(model, found);
}

// Every held sequence of one item or more, level by level.
py::dict Sequences(Model& model, bool maximalOnly) {
  std::vector<const seq::Sequence*> all;
  struct Owner {
    std::vector<const seq::Sequence*>& v;
    ~Owner() {
      for (const seq::Sequence* p : v) delete p;
    }
  } owner{all};
  for (int k = 1; k < model.dictionary->getNumberOfLevels(); ++k) {
    Check(model.dictionary->getSequencesOfSize(all, k, maximalOnly));
  }
  return SequenceColumns(model, all);
}

py::dict Stats(const Model& model) {
  const seq::SequenceDictionary& d = *model.dictionary;
  py::dict stats;
  stats["customers"] = d.getTotalCount();
  stats["min_support"] = d.getMinimumSupport();
  stats["min_gap"] = d.getMinGap();
  stats["max_gap"] = d.getMaxGap();
  stats["window"] = d.getSlidingWindow();
  stats["levels"] = d.getNumberOfLevels();
  stats["lattice_built"] = d.isLatticeBuilt();
  stats["sequences"] = d.NumberOfSequences() - 1;
  stats["largest_sequence"] = d.LargestSequence();
  py::dict perLevel;
  for (int k = 1; k < d.getNumberOfLevels(); ++k) {
    const int count = d.CountSequencesOfSize(k);
    if (count > 0) perLevel[py::int_(k)] = count;
  }
  stats["sequences_per_items"] = perLevel;
  return stats;
}

py::dict SourceDict(const seq::ModelSource& s) {
  py::dict d;
  d["input"] = s.input;
  d["format"] = s.format;
  d["customer"] = s.customerColumn;
  d["time"] = s.timeColumn;
  d["item"] = s.itemColumn;
  d["delimiter"] = s.delimiter;
  d["time_format"] = s.timeFormat;
  d["min_support"] = s.minSupport;
  d["max_items"] = s.maxItems;
  d["min_gap"] = s.minGap;
  d["max_gap"] = s.maxGap;
  d["window"] = s.window;
  return d;
}

// Opens path for writing, raising OSError as the interpreter would.
std::ofstream OpenOutput(const std::string& path) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) {
    PyErr_SetFromErrnoWithFilename(PyExc_OSError, path.c_str());
    throw py::error_already_set();
  }
  return out;
}

void Close(std::ofstream& out, const std::string& path) {
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path);
}

void WritePmml(Model& model, const std::string& path, const RuleQuery& q) {
  std::ofstream out = OpenOutput(path);
  Check(model.dictionary->ExportRulesXML(
      out, q.minSupport, q.maxSupport, q.minConfidence, q.maxConfidence, q.minCause, q.maxCause,
      model.maxItemsPerSet, model.avgItemsPerSet, SortLetter(q.sort), q.maximal));
  Close(out, path);
}

void WriteLattice(Model& model, const std::string& path, double minSupport) {
  std::ofstream out = OpenOutput(path);
  Check(model.dictionary->ExportLatticeXML(out, minSupport));
  Close(out, path);
}

// The HTML report of carmaseq report: rules, their plot and the strongest sequences.
void WriteReportPage(Model& model, const std::string& path, double minConfidence,
                     std::size_t maxRules, std::size_t latticeSequences) {
  carmaseq_cli::ReportOptions options;
  options.provenance = carmaseq_cli::DescribeSource(model.source);
  options.minConfidence = minConfidence;
  options.maxRules = maxRules;
  options.latticeSequences = latticeSequences;
  options.generator = "carmaseq for Python";
  std::ofstream out = OpenOutput(path);
  carmaseq_cli::WriteReport(*model.dictionary, model.names.size() > 0 ? &model.names : nullptr,
                            options, out);
  Close(out, path);
}

// The support the model was mined with: as given when known, else the dictionary's.
double MinedMinSupport(const Model& model) {
  return model.source.minSupport > 0 ? model.source.minSupport
                                     : model.dictionary->getMinimumSupport();
}

// Writes the model file next to path and renames it into place once complete.
void Save(Model& model, const std::string& path, const std::string& format) {
  const seq::ModelFormat chosen = format.empty()    ? seq::ModelFormatForName(path)
                                  : format == "xml" ? seq::ModelFormat::kObjectXml
                                                    : seq::ModelFormat::kBinary;
  const std::string partial = path + ".partial";
  { std::ofstream probe = OpenOutput(partial); }
  try {
    seq::WriteModelFile(partial, *model.dictionary, model.names, model.source, chosen);
  } catch (...) {
    std::remove(partial.c_str());
    throw;
  }
  if (std::rename(partial.c_str(), path.c_str()) != 0) {
    std::remove(partial.c_str());
    PyErr_SetFromErrnoWithFilename(PyExc_OSError, path.c_str());
    throw py::error_already_set();
  }
}

std::unique_ptr<Model> Load(const std::string& path) {
  {
    std::ifstream probe(path, std::ios::binary);
    if (!probe) {
      PyErr_SetFromErrnoWithFilename(PyExc_OSError, path.c_str());
      throw py::error_already_set();
    }
  }
  seq::SavedModel saved = seq::ReadModel(path);
  auto model = std::make_unique<Model>();
  model->dictionary = std::move(saved.dictionary);
  model->names = std::move(saved.names);
  model->source = std::move(saved.source);
  return model;
}

}  // namespace

void BindModel(py::module_& m) {
  py::class_<RuleQuery>(m, "RuleQuery", "Bands and order of a rule query.")
      .def(py::init<>())
      .def_readwrite("min_support", &RuleQuery::minSupport)
      .def_readwrite("max_support", &RuleQuery::maxSupport)
      .def_readwrite("min_confidence", &RuleQuery::minConfidence)
      .def_readwrite("max_confidence", &RuleQuery::maxConfidence)
      .def_readwrite("min_cause", &RuleQuery::minCause)
      .def_readwrite("max_cause", &RuleQuery::maxCause)
      .def_readwrite("sort", &RuleQuery::sort)
      .def_readwrite("maximal", &RuleQuery::maximal);
  py::class_<Model>(m, "Model", "A mined dictionary with its item names.")
      .def("rules", &Rules, py::arg("query"))
      .def("predict", &Predict, py::arg("histories"), py::arg("top"), py::arg("current"),
           py::arg("whole_only"))
      .def("search", &Search, py::arg("mode"), py::arg("query"), py::arg("min_count"),
           py::arg("max_count"))
      .def("sequences", &Sequences, py::arg("maximal_only"))
      .def("stats", &Stats)
      .def("item_names", [](const Model& model) { return NamesDict(model.names); })
      .def_property_readonly("mined_min_support", &MinedMinSupport)
      .def("save", &Save, py::arg("path"), py::arg("format"))
      .def("write_pmml", &WritePmml, py::arg("path"), py::arg("query"))
      .def("write_lattice", &WriteLattice, py::arg("path"), py::arg("min_support"))
      .def("write_report", &WriteReportPage, py::arg("path"), py::arg("min_confidence"),
           py::arg("max_rules"), py::arg("lattice_sequences"))
      .def("source", [](const Model& model) { return SourceDict(model.source); });
  m.def("load", &Load, py::arg("path"));
}

}  // namespace carmaseq_python
