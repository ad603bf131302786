#include "Database.h"

#include <pybind11/stl.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <numeric>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "input/CsvReader.h"
#include "input/SpmfFormat.h"
#include "input/TimeParser.h"

namespace carmaseq_python {

namespace seq = SEQUENCE_NAMESPACE_800;

namespace {

// The rows of each customer, customer after customer, in row order (a counting sort).
std::vector<std::int64_t> RowsByCustomer(const std::int64_t* customers, std::size_t rows,
                                         std::int64_t numCustomers,
                                         std::vector<std::int64_t>* begins) {
  begins->assign(static_cast<std::size_t>(numCustomers) + 1, 0);
  for (std::size_t r = 0; r < rows; ++r) {
    if (customers[r] < 0 || customers[r] >= numCustomers) {
      throw std::invalid_argument("customer code out of range at row " + std::to_string(r));
    }
    ++(*begins)[customers[r] + 1];
  }
  std::partial_sum(begins->begin(), begins->end(), begins->begin());
  std::vector<std::int64_t> order(rows);
  std::vector<std::int64_t> next(begins->begin(), begins->end() - 1);
  for (std::size_t r = 0; r < rows; ++r) order[next[customers[r]]++] = static_cast<std::int64_t>(r);
  return order;
}

void CheckRows(const double* times, const std::int32_t* items, std::size_t rows) {
  for (std::size_t r = 0; r < rows; ++r) {
    if (!std::isfinite(times[r])) {
      throw std::invalid_argument("time not finite at row " + std::to_string(r));
    }
    if (items[r] < 0) throw std::invalid_argument("negative item id at row " + std::to_string(r));
  }
}

// Opens path for reading, raising the OSError (FileNotFoundError, ...) the interpreter would.
std::ifstream OpenInput(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    PyErr_SetFromErrnoWithFilename(PyExc_OSError, path.c_str());
    throw py::error_already_set();
  }
  return in;
}

Database ReadSpmfFile(const std::string& path) {
  std::ifstream in = OpenInput(path);
  Database result;
  py::gil_scoped_release unlocked;
  seq::ReadSpmf(in, path, &result.db);
  return result;
}

Database ReadCsvFile(const std::string& path, const std::string& customer, const std::string& time,
                     const std::string& item, const std::string& delimiter,
                     const std::string& timeFormat) {
  seq::CsvOptions options;
  options.customerColumn = customer;
  options.timeColumn = time;
  options.itemColumn = item;
  if (delimiter.size() > 1) throw std::invalid_argument("delimiter must be one character");
  options.delimiter = delimiter.empty() ? '\0' : delimiter[0];
  options.timeFormat = timeFormat;
  std::ifstream in = OpenInput(path);
  Database result;
  py::gil_scoped_release unlocked;
  seq::ReadCsv(in, path, options, &result.names, &result.db);
  return result;
}

// Parses each text with the time parser of the CSV reader. Returns the times and the index of the
// first text that does not parse (-1 when all do).
py::tuple ParseTimes(const std::vector<std::string>& texts, const std::string& format) {
  const seq::TimeParser parser(format);
  Array<double> times(static_cast<py::ssize_t>(texts.size()));
  double* out = times.mutable_data();
  std::int64_t bad = -1;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    if (!parser.Parse(texts[i], &out[i]) && bad < 0) bad = static_cast<std::int64_t>(i);
  }
  return py::make_tuple(times, bad);
}

py::dict StatsDict(const seq::SequenceDatabase& db) {
  const seq::DatabaseStats stats = db.Stats();
  py::dict d;
  d["customers"] = stats.customers;
  d["item_sets"] = stats.itemSets;
  d["items"] = stats.items;
  d["distinct_items"] = stats.distinctItems;
  d["max_items_per_set"] = stats.maxItemsPerSet;
  d["avg_items_per_set"] = stats.avgItemsPerSet;
  d["max_sets_per_customer"] = stats.maxSetsPerCustomer;
  return d;
}

void SetNames(Database& d, const std::vector<std::string>& names) {
  d.names = seq::ItemNameMap();
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (!d.names.Add(static_cast<std::int32_t>(i + 1), names[i])) {
      throw std::invalid_argument("item name given twice: " + names[i]);
    }
  }
}

}  // namespace

Database FromCodes(const Array<std::int64_t>& customers, const Array<double>& times,
                   const Array<std::int32_t>& items, std::int64_t numCustomers) {
  const auto rows = static_cast<std::size_t>(customers.size());
  if (static_cast<std::size_t>(times.size()) != rows ||
      static_cast<std::size_t>(items.size()) != rows) {
    throw std::invalid_argument("customer, time and item arrays differ in length");
  }
  if (numCustomers < 0 || numCustomers > INT32_MAX - 1) {
    throw std::invalid_argument("number of customers out of range");
  }
  const std::int64_t* customer = customers.data();
  const double* time = times.data();
  const std::int32_t* item = items.data();
  Database result;
  py::gil_scoped_release unlocked;
  CheckRows(time, item, rows);
  std::vector<std::int64_t> begins;
  std::vector<std::int64_t> order = RowsByCustomer(customer, rows, numCustomers, &begins);
  std::vector<std::int32_t> set;
  for (std::int64_t c = 0; c < numCustomers; ++c) {
    result.db.StartCustomer();
    const auto first = order.begin() + begins[c], last = order.begin() + begins[c + 1];
    std::stable_sort(first, last,
                     [time](std::int64_t a, std::int64_t b) { return time[a] < time[b]; });
    for (auto row = first; row != last;) {
      set.clear();
      const double t = time[*row];
      for (; row != last && time[*row] == t; ++row) set.push_back(item[*row]);
      result.db.AddItemSet(set, t);
    }
  }
  return result;
}

// Reads the names back from the map's saved text: "id<TAB>name" lines with \\, \t, \n and \r
// escaped, after a header line.
py::dict NamesDict(const seq::ItemNameMap& names) {
  std::stringstream text;
  names.Save(text);
  py::dict d;
  std::string line;
  std::getline(text, line);  // the header
  while (std::getline(text, line)) {
    const std::size_t tab = line.find('\t');
    if (tab == std::string::npos) continue;
    std::string name;
    for (std::size_t i = tab + 1; i < line.size(); ++i) {
      char c = line[i];
      if (c == '\\' && i + 1 < line.size()) {
        const char e = line[++i];
        c = e == 't' ? '\t' : e == 'n' ? '\n' : e == 'r' ? '\r' : e;
      }
      name.push_back(c);
    }
    d[py::int_(std::stoll(line.substr(0, tab)))] = py::str(name);
  }
  return d;
}

void BindDatabase(py::module_& m) {
  py::class_<Database>(m, "Database", "Customers' histories, ready to mine.")
      .def_property_readonly("num_customers", [](const Database& d) { return d.db.NumCustomers(); })
      .def("stats", [](const Database& d) { return StatsDict(d.db); })
      .def("item_names", [](const Database& d) { return NamesDict(d.names); })
      .def("set_names", &SetNames, py::arg("names"));
  m.def("from_codes", &FromCodes, py::arg("customers"), py::arg("times"), py::arg("items"),
        py::arg("num_customers"));
  m.def("read_spmf", &ReadSpmfFile, py::arg("path"));
  m.def("read_csv", &ReadCsvFile, py::arg("path"), py::arg("customer"), py::arg("time"),
        py::arg("item"), py::arg("delimiter"), py::arg("time_format"));
  m.def("parse_times", &ParseTimes, py::arg("texts"), py::arg("format"));
}

}  // namespace carmaseq_python
