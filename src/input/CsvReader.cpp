#include "input/CsvReader.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "input/CsvRecordReader.h"
#include "input/ItemNameMap.h"
#include "input/SequenceDatabase.h"
#include "input/TimeParser.h"

namespace SEQUENCE_NAMESPACE_800 {

namespace {

struct Row {
  std::int32_t customer;
  double time;
  std::int32_t item;
};

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

class CsvParser {
 public:
  CsvParser(CsvRecordReader& reader, const CsvOptions& options, ItemNameMap* names)
      : reader_(reader), options_(options), names_(names), times_(options.timeFormat) {}

  // Reads the whole input into rows_.
  void ReadAll() {
    if (!reader_.Next(&fields_)) reader_.Fail("no header line");
    ReadHeader();
    while (reader_.Next(&fields_)) ReadRow();
  }

  void Store(SequenceDatabase* db) {
    std::stable_sort(rows_.begin(), rows_.end(), [](const Row& a, const Row& b) {
      return a.customer != b.customer ? a.customer < b.customer : a.time < b.time;
    });
    std::vector<std::int32_t> items;
    std::size_t r = 0;
    for (std::int32_t c = 0; c < static_cast<std::int32_t>(customers_.size()); ++c) {
      db->StartCustomer();
      while (r < rows_.size() && rows_[r].customer == c) {
        const double time = rows_[r].time;
        items.clear();
        for (; r < rows_.size() && rows_[r].customer == c && rows_[r].time == time; ++r) {
          items.push_back(rows_[r].item);
        }
        db->AddItemSet(items, time);
      }
    }
  }

 private:
  void ReadHeader() {
    customerIndex_ = Column(options_.customerColumn);
    timeIndex_ = Column(options_.timeColumn);
    itemIndex_ = Column(options_.itemColumn);
    headerFields_ = fields_.size();
  }

  std::size_t Column(const std::string& name) {
    const std::string wanted = Lower(TrimBlanks(name));
    for (std::size_t i = 0; i < fields_.size(); ++i) {
      if (Lower(fields_[i]) == wanted) return i;
    }
    std::string columns;
    for (const std::string& field : fields_)
      columns += (columns.empty() ? "'" : ", '") + field + "'";
    reader_.Fail("no column named '" + name + "' in the header; its columns are " + columns);
  }

  void ReadRow() {
    if (fields_.size() != headerFields_) {
      reader_.Fail(std::to_string(fields_.size()) + " fields, but the header names " +
                   std::to_string(headerFields_) + " (quote a field that holds the separator)");
    }
    const std::string& customer = fields_[customerIndex_];
    const std::string& item = fields_[itemIndex_];
    if (customer.empty()) reader_.Fail("empty customer");
    if (item.empty()) reader_.Fail("empty item");
    Row row;
    if (!times_.Parse(fields_[timeIndex_], &row.time)) {
      const std::string seen = fields_[timeIndex_].substr(0, 40);
      reader_.Fail("bad time '" + seen + "'" +
                   (options_.timeFormat.empty()
                        ? "; give --time-format to read times written like '" + seen + "'"
                        : " for the time format '" + options_.timeFormat + "'"));
    }
    const auto found = customers_.find(customer);
    if (found != customers_.end()) {
      row.customer = found->second;
    } else {
      row.customer = static_cast<std::int32_t>(customers_.size());
      customers_.emplace(customer, row.customer);
    }
    try {
      row.item = names_->Intern(item);
    } catch (const std::length_error&) {
      reader_.Fail("no item id left for '" + item.substr(0, 40) + "'");
    }
    rows_.push_back(row);
  }

  CsvRecordReader& reader_;
  const CsvOptions& options_;
  ItemNameMap* names_;
  TimeParser times_;
  std::size_t customerIndex_ = 0, timeIndex_ = 0, itemIndex_ = 0, headerFields_ = 0;
  std::vector<std::string> fields_;
  std::unordered_map<std::string, std::int32_t> customers_;
  std::vector<Row> rows_;
};

}  // namespace

void ReadCsv(std::istream& in, const std::string& source, const CsvOptions& options,
             ItemNameMap* names, SequenceDatabase* db) {
  CsvDialect dialect;
  dialect.delimiter = options.delimiter;
  CsvRecordReader reader(in, source, dialect);
  CsvParser parser(reader, options, names);
  parser.ReadAll();
  parser.Store(db);
}

}  // namespace SEQUENCE_NAMESPACE_800
