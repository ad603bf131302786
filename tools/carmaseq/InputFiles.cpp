#include "InputFiles.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <stdexcept>

#include "Errors.h"
#include "input/InputError.h"
#include "input/ItemNameMap.h"
#include "input/SequenceDatabase.h"
#include "input/SpmfFormat.h"

namespace carmaseq_cli {

namespace seq = SEQUENCE_NAMESPACE_800;

namespace {

bool EndsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Opens path for reading and calls read(stream), turning the readers' errors into CommandError.
template <typename Read>
void WithInput(const std::string& path, Read read) {
  std::ifstream file;
  if (path != "-") {
    file.open(path, std::ios::binary);
    if (!file) throw CommandError("cannot open " + path + ": " + std::strerror(errno));
  }
  std::istream& in = path == "-" ? std::cin : file;
  try {
    read(in);
  } catch (const SeqExceptions::InputError& error) {
    throw CommandError(error.what());
  } catch (const std::length_error& error) {
    throw CommandError(path + ": too large: " + error.what());
  }
}

}  // namespace

InputFormat InputFormatForName(const std::string& path) {
  return EndsWith(path, ".csv") || EndsWith(path, ".tsv") ? InputFormat::kCsv : InputFormat::kSpmf;
}

void ReadTransactions(const std::string& path, InputFormat format, const seq::CsvOptions& csv,
                      seq::ItemNameMap* names, seq::SequenceDatabase* db) {
  const std::string source = path == "-" ? "<stdin>" : path;
  WithInput(path, [&](std::istream& in) {
    if (format == InputFormat::kSpmf) {
      seq::ReadSpmf(in, source, db);
    } else {
      seq::ReadCsv(in, source, csv, names, db);
    }
  });
}

seq::ItemNameMap LoadNames(const std::string& path) {
  seq::ItemNameMap names;
  WithInput(path, [&](std::istream& in) { names = seq::ItemNameMap::Load(in, path); });
  return names;
}

}  // namespace carmaseq_cli
