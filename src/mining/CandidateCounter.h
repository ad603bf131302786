// Exact counting of given sequences in a database: the second pass of partitioned mining.
#ifndef CARMASEQ_MINING_CANDIDATECOUNTER_H_
#define CARMASEQ_MINING_CANDIDATECOUNTER_H_

#include <cstdint>
#include <vector>

#include "foundation/Visibility.h"

namespace SEQUENCE_NAMESPACE_800 {

class PatternList;
class SequenceDatabase;
struct MiningOptions;

// Returns, for each sequence of candidates (in the list's order), the number of customers of db
// containing it, under the containment and time constraints of options (see MiningOptions;
// minSupport and maxItems play no part). Candidates that no customer contains count 0.
// Customers are split over `threads` threads (at least 1); the counts do not depend on it.
// Returns an empty vector when options.cancel stopped the count.
// Throws std::invalid_argument when a time constraint is not a number.
CARMASEQ_MINING_EXPORT std::vector<std::int64_t> CountCandidates(const SequenceDatabase& db,
                                                                 const PatternList& candidates,
                                                                 const MiningOptions& options,
                                                                 int threads);

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_MINING_CANDIDATECOUNTER_H_
