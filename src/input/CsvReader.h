// Reads transaction logs kept as CSV or TSV: one row per purchased item.
#ifndef CARMASEQ_INPUT_CSVREADER_H_
#define CARMASEQ_INPUT_CSVREADER_H_

#include <iosfwd>
#include <string>

#include "foundation/Visibility.h"

namespace SEQUENCE_NAMESPACE_800 {

class ItemNameMap;
class SequenceDatabase;

// Which columns to read and how. Copyable.
struct CARMASEQ_MINING_EXPORT CsvOptions {
  // Header names of the three columns, matched ignoring case and surrounding blanks.
  std::string customerColumn = "customer";
  std::string timeColumn = "time";
  std::string itemColumn = "item";
  // Field separator; '\0' takes it from the header line as CsvDialect does (tab, ';' or ',').
  char delimiter = '\0';
  // Format of the time column as TimeParser takes it; empty reads numbers and ISO 8601 dates.
  std::string timeFormat;
};

// Reads a header line and then one row per item into *db, naming items through *names (new
// names are interned, known names keep their ids). Records are read by CsvRecordReader (quoting,
// blanks, byte order mark); every row has as many fields as the header; columns other than the
// three are ignored. The rows of one customer and time form one
// item set. Customers are added in the order of their first row, each one's item sets in time
// order (rows need not be sorted).
//
// Throws SeqExceptions::InputError (source, line, reason) at the first malformed line: no header
// line at all, a header without one of the columns (the message lists the header's columns), a
// row with another number of fields than the header, bad quoting, an empty customer or item, a time
// that does not parse (the message suggests a time format), or a new item name when *names has no
// id left. Nothing is added to *db then; names met before the error stay in *names. Throws
// std::invalid_argument for a bad options.timeFormat.
CARMASEQ_MINING_EXPORT void ReadCsv(std::istream& in, const std::string& source,
                                    const CsvOptions& options, ItemNameMap* names,
                                    SequenceDatabase* db);

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_INPUT_CSVREADER_H_
