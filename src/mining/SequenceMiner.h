// Finds every frequent sequence of a SequenceDatabase: the counting step of model building.
#ifndef CARMASEQ_MINING_SEQUENCEMINER_H_
#define CARMASEQ_MINING_SEQUENCEMINER_H_

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "foundation/Visibility.h"

namespace SEQUENCE_NAMESPACE_800 {

class SequenceDatabase;

// One frequent sequence as the miner reports it. The arrays belong to the miner and are valid
// only during the visitor call.
struct CARMASEQ_MINING_EXPORT MinedSequence {
  const std::int32_t* items = nullptr;    // numItems item ids, set after set, each set ascending
  const std::int32_t* setEnds = nullptr;  // numSets entries: one past the last item of each set
  std::int32_t numItems = 0;
  std::int32_t numSets = 0;
  std::int32_t count = 0;  // customers containing the sequence
};

// Reported after each one-item sequence's extensions have all been mined.
struct CARMASEQ_MINING_EXPORT MiningProgress {
  std::int32_t done = 0;   // one-item sequences finished
  std::int32_t total = 0;  // frequent one-item sequences
  std::int64_t found = 0;  // sequences reported so far
};

// What to mine. A sequence is contained in a customer's history when its item sets can be
// matched, in order, by item sets of the history at strictly increasing positions, each item
// set of the sequence a subset of the one matching it. The optional time constraints restrict
// the matches (t is the time of a matched item set of the history):
//   minGap > 0:        t(next) - t(previous) >= minGap for every two consecutive matched sets;
//   maxGap > 0:        t(next) - t(previous) <= maxGap for every two consecutive matched sets;
//   slidingWindow > 0: t(last) - t(first) <= slidingWindow over the whole match.
// A value of 0 or less turns a constraint off. Copyable.
struct CARMASEQ_MINING_EXPORT MiningOptions {
  // Minimum support as a fraction of the customers; the count threshold is derived from
  // minSupport * N (see SequenceMiner::CountThreshold).
  double minSupport = 0.01;
  // Longest sequence mined, in items over all its item sets; 0..31.
  std::int32_t maxItems = 9;
  double minGap = 0;
  double maxGap = 0;
  double slidingWindow = 0;
  // When non-null, polled during mining; once it reads true, Mine stops early. Must outlive
  // Mine.
  const std::atomic<bool>* cancel = nullptr;
  // When set, called on the thread that calls Mine (see MiningProgress).
  std::function<void(const MiningProgress&)> progress;
  // Threads that search; 0 means one per core. The number changes nothing but the speed: the
  // visitor sees the same sequences in the same order, on the thread that calls Mine.
  std::int32_t threads = 0;
  // Memory budget of the whole process in bytes; 0 means DefaultMemoryBudget() (MemoryUse.h).
  // Mining stops once the process's resident memory would pass it: the resident memory plus an
  // allowance of kLatticeAllowance bytes per reported sequence, for the lattice a dictionary
  // builds from them afterwards, and one for the sequences that threads have found but not yet
  // reported (see MiningSummary::memoryLimitReached).
  std::int64_t maxMemory = 0;
  static constexpr std::int64_t kLatticeAllowance = 64;
};

// The outcome of one Mine call.
struct CARMASEQ_MINING_EXPORT MiningSummary {
  std::int32_t customers = 0;       // N
  std::int32_t countThreshold = 0;  // the least count a reported sequence has
  std::int64_t sequences = 0;       // sequences reported (the empty sequence is not one of them)
  // perLevel[k]: sequences of k items reported; perLevel[0] is 0.
  std::vector<std::int64_t> perLevel;
  bool cancelled = false;  // stopped early: the report is incomplete
  // Stopped at the memory budget: the report is incomplete.
  bool memoryLimitReached = false;
  std::int32_t firstItemsDone = 0;  // one-item sequences whose extensions were all reported
  std::int32_t firstItems = 0;      // frequent one-item sequences
};

// The mining order: the one order in which Mine reports sequences, whatever the number of
// threads, and so the order in which a built dictionary's held sequences enter its tables (whose
// iteration order follows insertion). Read a sequence as its chain of growth steps from the first
// item, each step an item and whether it starts a new item set. Sequence a precedes b iff
//   - a is a proper prefix of b, or
//   - at the first step where they differ, a's step adds its item to the last item set while
//     b's starts a new set, or both do the same and a's item id is smaller.
// For example (1) < (1 2) < (1 2)(1) < (1)(1) < (1)(2) < (2): a depth-first walk of the growth
// tree in which every sequence comes before its extensions, item-set extensions before sequence
// extensions, each kind by ascending item. Any producer of held sequences that sorts them with
// MiningOrder fills a dictionary exactly as mining does.
struct CARMASEQ_MINING_EXPORT MiningOrder {
  // Returns true iff a precedes b in the mining order.
  bool operator()(const MinedSequence& a, const MinedSequence& b) const;
};

// Depth-first pattern growth over the database: memory grows with the size of the database and
// the depth of the search, never with the number of candidate sequences that turn out rare.
// Every prefix of a reported sequence is reported too; with a maximum gap, other subsequences of
// it may be rare (dropping an inner item set can widen a gap). Mine searches with
// options.threads threads (std::thread) and reports on the calling thread; it keeps its state
// per call, so calls on one miner may run on several threads at once (the options' callbacks
// then must allow it). Copyable.
class CARMASEQ_MINING_EXPORT SequenceMiner {
 public:
  // Called once per frequent sequence, in MiningOrder (a sequence before its extensions), on the
  // thread that calls Mine.
  using Visitor = std::function<void(const MinedSequence&)>;

  // Throws std::invalid_argument when minSupport is negative or not a number, maxItems lies
  // outside 0..31, a time constraint is not a number, or threads or maxMemory is negative.
  explicit SequenceMiner(MiningOptions options);

  const MiningOptions& options() const { return options_; }

  // Reports to visitor every sequence of 1 to maxItems items whose count in db reaches the
  // count threshold, with its exact count.
  MiningSummary Mine(const SequenceDatabase& db, const Visitor& visitor) const;

  // The least count of a frequent sequence among `customers` customers at minSupport: the
  // dictionary's pruning threshold of minSupport * customers, and at least 1.
  static std::int32_t CountThreshold(double minSupport, std::int32_t customers);

 private:
  MiningOptions options_;
};

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_MINING_SEQUENCEMINER_H_
