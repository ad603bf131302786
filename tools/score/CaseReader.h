// Readers of case records for carmaseq-score: CSV with a header line, and JSON lines.
#ifndef CARMASEQ_TOOLS_SCORE_CASEREADER_H_
#define CARMASEQ_TOOLS_SCORE_CASEREADER_H_

#include <cstdint>
#include <istream>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace carmaseq_score {

// One case as read: its fields in input order and the line it starts on.
struct CaseFields {
  std::int64_t line = 0;
  std::vector<std::pair<std::string, std::string>> fields;

  // The text of the field `name`, or null when the case has no such field.
  const std::string* Find(const std::string& name) const;
};

// A malformed record: what() is "line N: reason".
class RecordError : public std::runtime_error {
 public:
  RecordError(std::int64_t line, const std::string& reason)
      : std::runtime_error("line " + std::to_string(line) + ": " + reason), line_(line) {}
  std::int64_t line() const { return line_; }

 private:
  std::int64_t line_;
};

// Hands out the cases of a stream one at a time. The stream must outlive the reader.
class CaseReader {
 public:
  virtual ~CaseReader() = default;
  // Returns true and fills *record with the next case, or returns false at the end of the
  // input. Throws RecordError at a malformed record (or header) and at a read failure.
  virtual bool Next(CaseFields* record) = 0;
};

// CSV as RFC 4180 writes it: a header line naming the fields, then one record per line. Fields
// are separated by commas and may be quoted with double quotes ("" inside quotes is one quote;
// a quoted field may span lines). Every record has as many fields as the header. An empty field
// is an absent field, so that a "fromCurrent" column can be left empty. Blank lines are skipped;
// a UTF-8 byte order mark before the header is ignored. Header names must be non-empty and
// distinct.
std::unique_ptr<CaseReader> NewCsvReader(std::istream& in);

// One flat JSON object per line, whose values are strings or numbers (a number's field text is
// the number as written). Blank lines are skipped. Anything else (other values, nested objects,
// repeated names, trailing text, invalid escapes or UTF-16 surrogates) is a malformed record.
std::unique_ptr<CaseReader> NewJsonLinesReader(std::istream& in);

}  // namespace carmaseq_score

#endif  // CARMASEQ_TOOLS_SCORE_CASEREADER_H_
