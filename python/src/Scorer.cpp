#include "Scorer.h"

#include <pybind11/stl.h>

#include <string>
#include <utility>
#include <vector>

#include "PluginSession.h"

namespace carmaseq_python {

namespace score = carmaseq_score;

namespace {

// Raises the Python exception that fits the host's failure.
[[noreturn]] void Raise(const score::ToolError& error) {
  PyObject* type = PyExc_RuntimeError;
  switch (error.code()) {
    case score::kExitFile:
      type = PyExc_FileNotFoundError;
      break;
    case score::kExitPlugin:
      type = PyExc_OSError;
      break;
    case score::kExitDocument:
    case score::kExitRecord:
    case score::kExitUsage:
      type = PyExc_ValueError;
      break;
    default:
      break;
  }
  PyErr_SetString(type, error.what());
  throw py::error_already_set();
}

// A loaded plug-in with the model it built from one lattice document. Not copyable.
class Scorer {
 public:
  Scorer(const std::string& plugin, const std::string& lattice, const std::string& encoding) {
    try {
      session_.LoadPlugin(plugin);
      session_.LoadDocument(lattice, encoding);
    } catch (const score::ToolError& error) {
      Raise(error);
    }
  }

  // Scores each record (a list of (field, text) pairs). Returns per record a tuple (id or None,
  // target, [(item, confidence, support, cause), ...] best first).
  py::list Score(const std::vector<std::vector<std::pair<std::string, std::string>>>& records,
                 const std::string& idField) {
    py::list results;
    score::CaseFields fields;
    for (std::size_t i = 0; i < records.size(); ++i) {
      fields.line = static_cast<std::int64_t>(i) + 1;
      fields.fields = records[i];
      score::ScoredCase scored;
      try {
        scored = session_.Score(fields, idField);
      } catch (const score::ToolError& error) {
        Raise(error);
      }
      py::list predictions;
      for (const auto& p : scored.predictions) {
        predictions.append(
            py::make_tuple(p.GetItem(), p.GetConfidence(), p.GetSupport(), p.GetCause()));
      }
      py::object id = scored.id == nullptr ? py::object(py::none()) : py::str(*scored.id);
      results.append(py::make_tuple(id, scored.target, predictions));
    }
    return results;
  }

 private:
  score::PluginSession session_;
};

}  // namespace

void BindScorer(py::module_& m) {
  py::class_<Scorer>(m, "Scorer", "The scoring plug-in with a model built from a lattice document.")
      .def(py::init<const std::string&, const std::string&, const std::string&>(),
           py::arg("plugin"), py::arg("lattice"), py::arg("encoding"))
      .def("score", &Scorer::Score, py::arg("records"), py::arg("id_field"));
  m.attr("BUILD_PLUGIN_PATH") = CARMASEQ_BUILD_PLUGIN_PATH;
  m.attr("INSTALLED_PLUGIN_PATH") = CARMASEQ_INSTALLED_PLUGIN_PATH;
}

}  // namespace carmaseq_python
