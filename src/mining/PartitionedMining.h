// Exact mining of customers split into partitions, in two passes that any batch engine can run
// one task per partition:
//   pass 1, per partition: MineCandidates, the sequences frequent in it at the same relative
//           support (a sequence frequent overall is frequent in at least one partition);
//   the union of every partition's candidates (UnionCandidates);
//   pass 2, per partition: CountPartition, the exact count of every candidate in it;
//   merge: MergeCounts sums the counts, keeps what reaches the support over all customers and
//           builds the dictionary and lattice exactly as BuildDictionary does on all customers.
// A partition must hold whole customers. Each step's result can be saved in a small versioned
// binary file that records the mining settings and customer count, so that a merge of files from
// mismatched runs is refused.
#ifndef CARMASEQ_MINING_PARTITIONEDMINING_H_
#define CARMASEQ_MINING_PARTITIONEDMINING_H_

#include <cstdint>
#include <iosfwd>
#include <stdexcept>
#include <string>
#include <vector>

#include "dictionary/SeqDictionarySettings.h"
#include "foundation/Visibility.h"
#include "input/SequenceDatabase.h"
#include "mining/DictionaryBuilder.h"
#include "mining/PatternList.h"
#include "mining/SequenceMiner.h"

namespace SEQUENCE_NAMESPACE_800 {

// A step's files do not fit together, or a file is damaged or not a partition file.
class CARMASEQ_MINING_EXPORT PartitionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What every file of one run records and every step checks: the settings that decide which
// sequences are held. Copyable.
struct CARMASEQ_MINING_EXPORT PartitionSettings {
  double minSupport = 0;
  std::int32_t maxItems = 0;
  double minGap = 0;
  double maxGap = 0;
  double slidingWindow = 0;

  static PartitionSettings From(const MiningOptions& options);
  bool operator==(const PartitionSettings& other) const;
  bool operator!=(const PartitionSettings& other) const { return !(*this == other); }
};

// Pass 1's result for one partition: its locally frequent sequences with their local counts,
// in the canonical order.
struct CARMASEQ_MINING_EXPORT CandidateSet {
  PartitionSettings settings;
  std::int64_t customers = 0;  // customers of the partition
  PatternList patterns;
};

// Pass 2's result for one partition: the count of every sequence of the union, in its order,
// and the partition's figures that documents report about the input.
struct CARMASEQ_MINING_EXPORT PartitionCounts {
  PartitionSettings settings;
  std::int64_t customers = 0;       // customers of the partition
  std::int64_t itemSets = 0;        // non-empty item sets of the partition
  std::int64_t items = 0;           // item occurrences of the partition
  std::int32_t maxItemsPerSet = 0;  // largest item set of the partition
  std::int32_t maxSetsPerCustomer = 0;
  std::uint32_t unionDigest = 0;     // CandidateDigest of the union counted
  std::vector<std::int64_t> counts;  // one per sequence of the union
};

// Splits db into `parts` partitions of whole customers, dealt out longest first: customers sorted
// by their number of items (ties in input order), the r-th of them goes to partition r mod parts.
// Every partition so gets as many customers (within one) and as many items (within one customer's)
// as another, and no partition gathers several of the longest histories, whose shared sequences
// would be locally frequent at a small partition's low threshold. Each partition keeps its
// customers in input order. REQUIRES: parts >= 1.
CARMASEQ_MINING_EXPORT std::vector<SequenceDatabase> SplitCustomers(const SequenceDatabase& db,
                                                                    std::int32_t parts);

// Pass 1: the sequences of at most options.maxItems items frequent in the partition. A pass 1 may
// look for shorter sequences than the run's item limit (see MergeCounts). Throws
// std::invalid_argument for options the miner rejects, PartitionError("cancelled") for a cancelled
// run and PartitionError when mining stopped at options.maxMemory (nothing is returned then: an
// incomplete candidate set would make the merge miss sequences).
CARMASEQ_MINING_EXPORT CandidateSet MineCandidates(const SequenceDatabase& partition,
                                                   const MiningOptions& options);

// The union of the partitions' candidates, in the canonical order (counts are not kept). Throws
// PartitionError when the sets were mined with different settings or none is given.
CARMASEQ_MINING_EXPORT PatternList UnionCandidates(const std::vector<CandidateSet>& sets);

// A checksum of a candidate union's sequences, recorded by pass 2 and checked by the merge.
CARMASEQ_MINING_EXPORT std::uint32_t CandidateDigest(const PatternList& candidates);

// Pass 2. `threads` as in CountCandidates.
CARMASEQ_MINING_EXPORT PartitionCounts CountPartition(const SequenceDatabase& partition,
                                                      const PatternList& candidates,
                                                      const MiningOptions& options, int threads);

// The merge: the sequences of `candidates` whose summed count reaches the support over all
// partitions' customers, stored in a dictionary created from `dictionarySettings` with its
// lattice built, as BuildDictionary stores what it mines. `candidateItems` is the item limit pass 1
// ran with (0: options.maxItems). A smaller limit than options.maxItems keeps pass 1 from
// enumerating the long sequences that a few similar long histories share in a partition; it is
// enough iff no sequence of candidateItems items is frequent over all customers, since every
// frequent sequence longer than that has a frequent prefix of that many items. Throws
// PartitionError when it is not enough, when the counts were taken with other settings than
// `options`, of another union, or none is given.
CARMASEQ_MINING_EXPORT BuildResult MergeCounts(const PatternList& candidates,
                                               const std::vector<PartitionCounts>& counts,
                                               const MiningOptions& options,
                                               const SeqDictionarySettings& dictionarySettings,
                                               std::int32_t candidateItems = 0);

// The input figures of all partitions together, as SequenceDatabase::Stats gives them for all
// customers at once, but for distinctItems, which the partitions cannot tell (0).
CARMASEQ_MINING_EXPORT DatabaseStats MergedStats(const std::vector<PartitionCounts>& counts);

// The files. Writers throw PartitionError when the stream fails; readers throw PartitionError
// naming `source` for anything that is not an intact file of the expected kind and version.
CARMASEQ_MINING_EXPORT void WriteCandidateSet(const CandidateSet& set, std::ostream& out);
CARMASEQ_MINING_EXPORT CandidateSet ReadCandidateSet(std::istream& in, const std::string& source);
CARMASEQ_MINING_EXPORT void WritePartitionCounts(const PartitionCounts& counts, std::ostream& out);
CARMASEQ_MINING_EXPORT PartitionCounts ReadPartitionCounts(std::istream& in,
                                                           const std::string& source);

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_MINING_PARTITIONEDMINING_H_
