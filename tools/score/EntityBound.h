// How much text a document's own entity declarations would expand to, found without expanding.
#ifndef CARMASEQ_TOOLS_SCORE_ENTITYBOUND_H_
#define CARMASEQ_TOOLS_SCORE_ENTITYBOUND_H_

#include <cstdint>
#include <istream>
#include <string>

namespace carmaseq_score {

// The number of bytes that the references to general entities declared in the internal
// document-type subset of xml would produce, counting nested references (each entity's size is
// computed once, so nesting costs nothing to measure). Saturates at INT64_MAX; an entity that
// refers to itself, directly or not, also gives INT64_MAX. Predefined and character references
// count nothing. A document without an internal subset gives 0.
std::int64_t EntityExpansionBytes(const std::string& xml);

// The same for the document read from in, which is read to its end. Only a document whose
// internal subset declares entities is held in memory whole; any other is read in chunks up to
// where its document type declaration ends (or, without one, scanned through), so that a large
// document costs no copy of itself. Returns -1 when reading fails.
std::int64_t EntityExpansionBytes(std::istream& in);

}  // namespace carmaseq_score

#endif  // CARMASEQ_TOOLS_SCORE_ENTITYBOUND_H_
