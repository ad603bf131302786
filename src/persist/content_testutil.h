// The content of a dictionary as text, free of any test framework so that the fuzz targets share
// it with the tests.
#ifndef CARMASEQ_PERSIST_CONTENT_TESTUTIL_H_
#define CARMASEQ_PERSIST_CONTENT_TESTUTIL_H_

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "dictionary/SequenceDictionary.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace testutil {

// The object-XML text of dictionary with each table's entries (key and counter) sorted: equal
// texts mean equal flags, settings, doubles (to 15 digits) and levels 0 to LargestSequence(),
// whatever order the tables walk.
inline std::string Canonical(SequenceDictionary& dictionary) {
  std::ostringstream os;
  dictionary.writeObjectXML(os);
  const std::string text = os.str();
  const std::string entry = "\n\t\t\t\t<Obj name=\"NTSequence\">";
  std::string result;
  std::vector<std::string> entries;
  // A piece starts at an entry or at a line two tabs deep (the dictionary's own values, its
  // settings, a table's start or end); the pieces other than entries are kept in place.
  for (size_t at = 0, next = 0; at < text.size(); at = next) {
    next = std::min({text.find("\n\t\t<", at + 1), text.find(entry, at + 1), text.size()});
    entries.push_back(text.substr(at, next - at));
    if (entries.back().compare(0, entry.size(), entry) == 0) continue;
    std::sort(entries.begin(), entries.end() - 1);
    for (const std::string& piece : entries) result += piece;
    entries.clear();
  }
  return result;
}

}  // namespace testutil
}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_PERSIST_CONTENT_TESTUTIL_H_
