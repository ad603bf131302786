// Importing frequent sequential patterns mined elsewhere, as a distributed engine's PrefixSpan
// writes them: JSON lines of the form {"sequence":[[1,2],[3]],"freq":42}, one pattern a line,
// in one file or in a folder of part files (part-*.json; other files such as _SUCCESS and
// checksums are ignored).
#ifndef CARMASEQ_MINING_SPARKPATTERNS_H_
#define CARMASEQ_MINING_SPARKPATTERNS_H_

#include <cstdint>
#include <iosfwd>
#include <string>

#include "foundation/Visibility.h"
#include "input/ItemNameMap.h"
#include "mining/PatternList.h"

namespace SEQUENCE_NAMESPACE_800 {

// Patterns read from JSON lines. Items are either all integers (kept as item ids) or all strings:
// item names, looked up in a known map when one is given, else given the ids 1, 2, ... in the
// byte order of the names, so that the ids do not depend on the order of the lines or files.
// Movable.
struct CARMASEQ_MINING_EXPORT ImportedPatterns {
  PatternList patterns;  // in the canonical order
  ItemNameMap names;     // empty for integer items
};

// Reads every line of in; blank lines are skipped. Throws SeqExceptions::InputError naming
// source and line for malformed JSON, a pattern with no item set, an empty item set, a repeated
// item within a set, a count below 1, more than 31 items, the same pattern twice, or string and
// integer items mixed, or a name that `known` (when not null) lacks.
CARMASEQ_MINING_EXPORT ImportedPatterns ReadSparkPatterns(std::istream& in,
                                                          const std::string& source,
                                                          const ItemNameMap* known = nullptr);

// Reads a file, or every part-*.json file of a folder (in name order; the result does not depend
// on it). Throws SeqExceptions::InputError as above, or for a path that cannot be read or a
// folder without part files.
CARMASEQ_MINING_EXPORT ImportedPatterns ReadSparkPatternPath(const std::string& path,
                                                             const ItemNameMap* known = nullptr);

// Checks the imported patterns against a customer count and the support they were mined at:
// every pattern's count lies within that support's threshold and `customers`, and the set is
// closed under sub-sequences (every pattern without one of its items is present too), as a
// complete mining result is. Throws std::invalid_argument naming the first offending pattern,
// e.g. "pattern (1 2)(3) lacks its sub-sequence (1)(3)".
CARMASEQ_MINING_EXPORT void CheckImportedPatterns(const ImportedPatterns& imported,
                                                  std::int32_t customers, double minSupport);

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_MINING_SPARKPATTERNS_H_
