// Splits CSV text into records of fields: the one CSV tokenizer of the project, used for
// transaction logs and for the case records that carmaseq-score reads.
#ifndef CARMASEQ_INPUT_CSVRECORDREADER_H_
#define CARMASEQ_INPUT_CSVRECORDREADER_H_

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "foundation/Visibility.h"
#include "input/LineReader.h"

namespace SEQUENCE_NAMESPACE_800 {

// How a CSV text is written. Copyable.
struct CARMASEQ_MINING_EXPORT CsvDialect {
  // Field separator; '\0' takes it from the first record: a tab when it holds one, else ';' when
  // it holds a ';' but no ',', else ','.
  char delimiter = '\0';
};

// Reads records one at a time, as RFC 4180 writes them, and a little more leniently. A field may
// be quoted with double quotes ("" inside quotes is one quote; a quoted field may hold line
// breaks, read as "\n"); a quote inside an unquoted field is an error. Blanks (spaces, tabs)
// around a field are no part of it. Lines of blanks are skipped; a UTF-8 byte order mark before
// the first record is ignored. Lines are bounded as LineReader bounds them. The stream must
// outlive the reader. Not copyable.
class CARMASEQ_MINING_EXPORT CsvRecordReader {
 public:
  CsvRecordReader(std::istream& in, std::string source, const CsvDialect& dialect);
  CsvRecordReader(const CsvRecordReader&) = delete;
  CsvRecordReader& operator=(const CsvRecordReader&) = delete;

  // Returns true and sets *fields to the next record's fields iff there is one. Throws
  // SeqExceptions::InputError (source, the record's first line, reason) for bad quoting: "a quoted
  // field is not closed", "text after a closing quote", "a quote inside an unquoted field".
  bool Next(std::vector<std::string>* fields);
  // The separator in use: the dialect's, or the one detected (',' before the first record).
  char delimiter() const { return delimiter_; }
  // 1-based line on which the record last returned starts (0 before the first).
  std::int64_t recordLine() const { return recordLine_; }
  const std::string& source() const { return lines_.source(); }

  // Throws SeqExceptions::InputError for the record last returned.
  [[noreturn]] void Fail(const std::string& reason) const;

 private:
  // Reads one quoted field, *at just past its opening quote; leaves *at past the closing quote.
  std::string ReadQuoted(std::string_view* line, std::size_t* at);

  LineReader lines_;
  CsvDialect dialect_;
  char delimiter_;
  bool detectPending_;  // the delimiter is taken from the first record
  std::int64_t recordLine_ = 0;
};

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_INPUT_CSVRECORDREADER_H_
