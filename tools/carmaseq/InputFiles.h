// Reading the transaction files and item-name maps that carmaseq mine takes.
#ifndef CARMASEQ_TOOLS_CARMASEQ_INPUTFILES_H_
#define CARMASEQ_TOOLS_CARMASEQ_INPUTFILES_H_

#include <string>

#include "input/CsvReader.h"

namespace SEQUENCE_NAMESPACE_800 {
class ItemNameMap;
class SequenceDatabase;
}  // namespace SEQUENCE_NAMESPACE_800

namespace carmaseq_cli {

enum class InputFormat { kSpmf, kCsv };

// The format a file name suggests: CSV for names ending in ".csv" or ".tsv", the integer
// sequence format otherwise.
InputFormat InputFormatForName(const std::string& path);

// Reads path ("-" for standard input) into *db; CSV item names are interned into *names. Throws
// CommandError "file:line: reason" at the first malformed line, or when the file cannot be
// opened or read.
void ReadTransactions(const std::string& path, InputFormat format,
                      const SEQUENCE_NAMESPACE_800::CsvOptions& csv,
                      SEQUENCE_NAMESPACE_800::ItemNameMap* names,
                      SEQUENCE_NAMESPACE_800::SequenceDatabase* db);

// Loads an item-name map saved by 'carmaseq mine --item-map' (or any "id<TAB>name" list).
// Throws CommandError as above.
SEQUENCE_NAMESPACE_800::ItemNameMap LoadNames(const std::string& path);

}  // namespace carmaseq_cli

#endif  // CARMASEQ_TOOLS_CARMASEQ_INPUTFILES_H_
