// Reading and writing the widely used integer sequence format: one customer per line, item ids
// separated by blanks, -1 closing an item set and -2 closing the sequence.
#ifndef CARMASEQ_INPUT_SPMFFORMAT_H_
#define CARMASEQ_INPUT_SPMFFORMAT_H_

#include <iosfwd>
#include <string>

#include "foundation/Visibility.h"

namespace SEQUENCE_NAMESPACE_800 {

class SequenceDatabase;

// Appends one customer to *db per sequence line of `in`. The accepted text:
//   - blank lines and lines starting with '#', '%' or '@' are skipped;
//   - items are decimal ids in 0..2147483647, in any order and possibly repeated within a set
//     (each set is sorted and freed of duplicates);
//   - "-1" closes an item set, "-2" closes the sequence; nothing may follow "-2" on its line. A
//     line ending without "-2" ends its sequence anyway (an open item set is closed);
//   - a token "<t>" before a set's first item gives that set the time t (a finite number, not
//     smaller than the time of the set before); otherwise the k-th item set of the line (from 0,
//     empty sets included) has time k. Empty item sets are dropped, and a line with no item at
//     all still adds a customer.
// source names the input in error messages. Throws SeqExceptions::InputError (source, line,
// reason) at the first malformed line; the customers read before it stay in *db.
CARMASEQ_MINING_EXPORT void ReadSpmf(std::istream& in, const std::string& source, SequenceDatabase* db);

// Writes db in the same format, one line per customer; with withTimes each item set is preceded
// by its "<time>" token (times in the shortest text that reads back exactly).
CARMASEQ_MINING_EXPORT void WriteSpmf(const SequenceDatabase& db, std::ostream& out, bool withTimes);

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_INPUT_SPMFFORMAT_H_
