// Builds a sequence dictionary, with its lattice, from customers' histories.
#ifndef CARMASEQ_MINING_DICTIONARYBUILDER_H_
#define CARMASEQ_MINING_DICTIONARYBUILDER_H_

#include <memory>

#include "dictionary/SeqDictionarySettings.h"
#include "foundation/QxStatus.h"
#include "foundation/Visibility.h"
#include "mining/SequenceMiner.h"

namespace SEQUENCE_NAMESPACE_800 {

class PatternList;
class SequenceDatabase;
class SequenceDictionary;

// The outcome of BuildDictionary. Movable.
struct CARMASEQ_MINING_EXPORT BuildResult {
  BuildResult();
  BuildResult(BuildResult&&) noexcept;
  BuildResult& operator=(BuildResult&&) noexcept;
  ~BuildResult();

  // The finished dictionary; null when mining was cancelled, stopped at the memory budget or the
  // lattice could not be built (status then says which).
  std::unique_ptr<SequenceDictionary> dictionary;
  MiningSummary summary;
  // OK; code 1 (cancelled) when the miner's cancel flag stopped the run; code 60000 (out of
  // memory) when mining stopped at options.maxMemory (summary.memoryLimitReached says how far
  // it got) or buildLattice failed for want of memory.
  QxCommon_940::QxStatus status;
};

// Mines db with options and stores the result in a new dictionary created from settings:
// level 0 holds the empty sequence with count N (the number of customers), and every frequent
// sequence of 1 to min(options.maxItems, settings.numberOfLevels - 1) items is stored with its
// exact count (ordinalOfEntry 0, maxMissed 0). The dictionary records the time constraints
// (0 for a constraint that is off) and the minimum support (minSupport * N over N, through
// reduceAll, which finds nothing to remove), then builds its lattice.
// Throws std::invalid_argument for options the miner rejects (see SequenceMiner) or a number of
// levels outside 1..32, and
// SeqExceptions::DictionaryFailure when memory runs out while storing.
CARMASEQ_MINING_EXPORT BuildResult BuildDictionary(const SequenceDatabase& db,
                                                   const MiningOptions& options,
                                                   const SeqDictionarySettings& settings);
// Stores `patterns` (1 to numberOfLevels - 1 items each; longer ones are skipped) in their list
// order, with their counts, in a new dictionary created from settings whose level 0 counts
// `customers`, then records the time constraints and minimum support of options as
// BuildDictionary does and builds the lattice. The list in the canonical order (see PatternList)
// gives the dictionary BuildDictionary gives. summary.sequences and perLevel describe what was
// stored. Throws as BuildDictionary does.
CARMASEQ_MINING_EXPORT BuildResult
BuildDictionaryFromPatterns(const PatternList& patterns, std::int32_t customers,
                            const MiningOptions& options, const SeqDictionarySettings& settings);

// The same with default settings of options.maxItems + 1 levels.
CARMASEQ_MINING_EXPORT BuildResult BuildDictionary(const SequenceDatabase& db,
                                                   const MiningOptions& options);
// The same, emptying db once it is mined, so that the lattice is built in the memory the
// transactions held. db is left empty whatever happens.
CARMASEQ_MINING_EXPORT BuildResult BuildDictionary(SequenceDatabase&& db,
                                                   const MiningOptions& options);

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_MINING_DICTIONARYBUILDER_H_
