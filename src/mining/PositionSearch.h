// The position strategy of the miner: a pattern's occurrences as item positions per supporting
// customer, with the time constraints (see MiningRun.h for the whole search).
#ifndef CARMASEQ_MINING_POSITIONSEARCH_H_
#define CARMASEQ_MINING_POSITIONSEARCH_H_

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <memory_resource>
#include <vector>

#include "mining/MiningRun.h"

namespace SEQUENCE_NAMESPACE_800 {

// Mines the extensions of one-item sequences over item positions, reporting through a
// MiningRun. Not copyable; one thread.
class PositionSearch {
 public:
  // Occurrences of a pattern: per supporting customer, the positions at which a match of it
  // ends.
  // Its arrays come from `memory`: the roots' from one block, a search's own from the heap.
  struct Projection {
    explicit Projection(std::pmr::memory_resource* memory = std::pmr::get_default_resource())
        : customers(memory), begin(memory), positions(memory), starts(memory) {}

    std::pmr::vector<std::uint32_t> customers;  // compact customer index, ascending
    std::pmr::vector<std::uint32_t> begin;      // customers.size() + 1 offsets into positions
    std::pmr::vector<std::uint32_t> positions;  // match end positions per customer, ascending
    std::pmr::vector<std::uint32_t> starts;     // with a window: latest start set of each position

    void Clear();
    void Append(std::uint32_t customer, std::uint32_t position);
    void Finish() { begin.push_back(static_cast<std::uint32_t>(positions.size())); }
    std::int32_t Support() const { return static_cast<std::int32_t>(customers.size()); }
  };

  // The projections of every one-item sequence, built in one pass over db, their arrays in one
  // block of memory sized and backed up front (they hold every item position: a fault per page
  // would cost more than filling them). Searches on several threads may share it as long as
  // each root is mined, and then released, by one of them.
  class Roots {
   public:
    Roots(const CompactDatabase& db, bool window);
    Roots(const Roots&) = delete;
    Roots& operator=(const Roots&) = delete;
    const Projection& Of(std::int32_t x) const { return roots_[x]; }
    // Empties root x; the block is freed with the roots.
    void Release(std::int32_t x) { roots_[x].Clear(); }

   private:
    struct Free {
      void operator()(void* block) const { std::free(block); }
    };
    std::unique_ptr<void, Free> block_;
    std::unique_ptr<std::pmr::monotonic_buffer_resource> arena_;  // carves block_
    std::vector<Projection> roots_;
  };

  // REQUIRES: run and roots outlive the search, and roots were built for run.db().
  PositionSearch(MiningRun& run, Roots& roots);
  PositionSearch(const PositionSearch&) = delete;
  PositionSearch& operator=(const PositionSearch&) = delete;

  // Reports the current pattern of run, the one-item sequence of x, and all its extensions, then
  // releases root x.
  void MineRoot(std::int32_t x);

 private:
  // A set that a sequence extension may use, with the start its match gets.
  struct Reach {
    std::uint32_t set;
    std::uint32_t start;
  };
  // What a node knows, per item, about the extensions of one kind (item-set or sequence).
  struct Tally {
    struct Slot {
      std::uint32_t lastVisit = 0;  // visit stamp of the customer last counted
      std::int32_t customers = 0;   // supporting customers counted so far
    };
    std::vector<Slot> slots;
    std::vector<std::int32_t> child;    // index of its projection, or -1
    std::vector<std::int32_t> touched;  // first numTouched: items whose count is not 0; one spare
    std::size_t numTouched = 0;
    // Per depth: the frequent extensions of the node being expanded, ascending.
    std::vector<std::vector<std::int32_t>> frequent;

    void Resize(std::size_t items, std::size_t depths);
    // Counts the customer of stamp visit for each item at positions [from, to) of items, once
    // per visit. Raw pointers in the loop: this is where the position search spends its time.
    void CountRange(const std::int32_t* items, std::uint32_t from, std::uint32_t to,
                    std::uint32_t visit) {
      Slot* const slot = slots.data();
      std::int32_t* const out = touched.data();
      std::size_t n = numTouched;
      for (std::uint32_t p = from; p < to; ++p) {
        Slot& s = slot[items[p]];
        if (s.lastVisit == visit) continue;
        s.lastVisit = visit;
        // Written always, kept only for an item's first customer: no branch to mispredict.
        out[n] = items[p];
        n += s.customers++ == 0;
      }
      numTouched = n;
    }
    // Moves the items counted at least threshold times into frequent[depth], ascending, and
    // clears the counts.
    void Collect(std::int32_t threshold, std::size_t depth);
  };

  // Reports the current pattern, whose projection is proj, and its extensions. For the
  // one-item sequence of an item `root` (without a maximum gap), the search below it then
  // walks only the part of the database its extensions can use (CopyPart); kNoPart
  // for any other pattern, which walks what its parent walked.
  static constexpr std::int32_t kNoPart = -1;
  void Grow(const Projection& proj, std::int32_t root);
  // Makes part_ the part of the customers of root that the patterns starting with x can use,
  // and partRoot_ root's projection in it. Every item of such a pattern after its first set
  // makes a frequent sequence extension of x, and every item of its first set after x a
  // frequent item-set extension: each pattern contains those two-item ones, the item's set as far
  // from the first one as in the pattern (so no nearer than a minimum gap and within a window).
  // Of each customer's positions from its first x on, part_ keeps x, the item-set extensions of
  // x after x in a set holding x, and the sequence extensions of x in the sets after the first
  // one. A candidate counted in the part may miss positions only if it is rare anyway.
  void CopyPart(std::int32_t x, const Projection& root);
  // Leaves the frequent extensions of the pattern in the tallies' frequent lists at its depth.
  void CountExtensions(const Projection& proj);
  // Builds into out the projections of those extensions, item-set extensions first.
  void BuildExtensions(const Projection& proj, std::vector<Projection>& out);
  // Calls itemSet(from, to, start) for every range of item positions that extend the last item
  // set of customer k of proj, and sequence(from, to, start) for every range that can start a
  // new item set, where start is the latest start set the extended match gets (used with a
  // window). Positions are visited once per match they extend.
  template <typename ItemSet, typename Sequence>
  void WalkCustomer(const Projection& proj, std::size_t k, bool wantItemSet, ItemSet itemSet,
                    bool wantSequence, Sequence sequence);
  // The sets after the first position of customer k of proj that an appended item set may use.
  void ComputeReach(const Projection& proj, std::size_t k);
  // Customers are visited in order, each at a place of the database far from the one before:
  // the data of the customer kPrefetchAhead places after k are asked for ahead of use.
  static constexpr std::size_t kPrefetchAhead = 8;
  void PrefetchCustomer(const Projection& proj, std::size_t k) const;
  // Advances the customer stamp, clearing the tallies' stamps when it wraps around.
  std::uint32_t NextVisit();

  MiningRun& run_;
  Roots& roots_;
  const CompactDatabase& whole_;
  const CompactDatabase* db_;  // what the search walks: whole_, or part_ below a root
  CompactDatabase part_;
  Projection partRoot_;
  // Per item: whether it is a frequent item-set, or sequence, extension of the root being copied.
  std::vector<char> rootItemSet_, rootSequence_;
  double minGap_ = 0, maxGap_ = 0, window_ = 0;
  bool timed_ = false;
  bool parts_ = false;  // the search below a root walks the root's part (CopyPart)

  Tally itemSetTally_, sequenceTally_;
  std::uint32_t visit_ = 0;
  std::vector<Reach> reach_;
  // Per depth: the projections of the frequent extensions of the node being expanded.
  std::vector<std::vector<Projection>> children_;
};

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_MINING_POSITIONSEARCH_H_
