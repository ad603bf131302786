// The state one run of the miner shares between its two search strategies (the pattern being
// grown, its report, when to stop), and how the search works.
#ifndef CARMASEQ_MINING_MININGRUN_H_
#define CARMASEQ_MINING_MININGRUN_H_

#include <atomic>
#include <cstdint>
#include <vector>

#include "mining/CompactDatabase.h"
#include "mining/SequenceMiner.h"

// How the search works.
//
// The database is first copied into a compact form that keeps only the frequent items,
// renumbered 0..F-1 in ascending order of their ids, and drops the item sets and customers left
// empty. The search then grows patterns depth first, one item at a time, either by adding an
// item to the last item set (an item-set extension, always of an item greater than the last) or
// by appending a new item set of one item (a sequence extension). Every sequence has exactly one
// such chain of growth, and a pattern's count is never below the count of its extensions, so a
// rare pattern ends its branch. Two representations of a pattern's occurrences are used:
//
// Bitmaps (BitmapSearch), when there are no time constraints, no customer has more than 64 item
// sets and the F x customers table of masks is small. Each customer has, per item, the mask of
// the customer's item sets holding it (masks as wide as the longest customer needs, one
// customer's side by side). A pattern keeps, per supporting customer, the mask of the sets at
// which a match of it can end. Its item-set extension by x is that mask ANDed with x's
// mask; its sequence extension by x is x's mask ANDed with the sets after the first bit. Only
// items that extended the parent are tried (an extension of a pattern by x contains the parent's
// extension by x as a subsequence, so it is not more frequent), and of those only items x that
// enough customers hold together with, or after, the pattern's last item y: a table counted once
// per item pair says how many customers hold x in a set with y, and how many hold x in a set
// after one holding y. A node counts all its candidates in one pass over its customers, dropping
// a candidate as soon as too few customers remain for it, and builds projections only for the
// frequent ones.
//
// Positions (PositionSearch), otherwise. A pattern keeps, per supporting customer, the item
// positions at which its last item is matched by the set matching its last item set; with a
// sliding window each also carries the latest set at which such a match can start, the only
// thing about the earlier sets that later extensions need. A node makes one pass over the items
// its projection reaches to count the customers of every extension, and a second pass that
// builds the projections of the frequent ones. The per-item tallies of both passes are shared by
// all nodes because a node finishes both passes before it descends. Without a maximum gap,
// every pattern below a one-item sequence x holds only items that extend x themselves (after x
// in its first set, or in a later set), so once x's extensions are counted its customers are
// copied from their first x on with the other items left out, and the search below x walks that
// copy: in click streams of many items, a quarter of the positions or less. With a maximum gap the
// candidate pruning of the bitmap search would be wrong (removing an inner item set can stretch
// a gap), so this search tries every item.
//
// Both strategies report a pattern before its extensions, its item-set extensions before its
// sequence extensions, and each kind in ascending order of item.

namespace SEQUENCE_NAMESPACE_800 {

// True iff options set a minimum gap, a maximum gap or a sliding window.
inline bool HasTimeConstraints(const MiningOptions& options) {
  return options.minGap > 0 || options.maxGap > 0 || options.slidingWindow > 0;
}

// The item sets strictly after the first one in a mask of item sets (bit k = the customer's set
// k): mask & (~mask + 1) keeps the lowest set bit alone, shifting it left and subtracting 1 sets
// that bit and every bit below it, and the complement leaves the bits above. 0 for a mask of 0
// or one whose lowest bit is bit 63.
inline std::uint64_t SetsAfterFirst(std::uint64_t mask) {
  return ~(((mask & (~mask + 1)) << 1) - 1);
}

// One run of a search: the options, the pattern being grown (in original item ids) and its
// report to the visitor, and when to stop. Not copyable; one thread.
class MiningRun {
 public:
  // Stops once options.cancel or halt (may be null) reads true.
  // REQUIRES: options, db, visitor and halt outlive the run.
  MiningRun(const MiningOptions& options, const CompactDatabase& db, std::int32_t threshold,
            const SequenceMiner::Visitor& visitor, const std::atomic<bool>* halt);
  MiningRun(const MiningRun&) = delete;
  MiningRun& operator=(const MiningRun&) = delete;

  const CompactDatabase& db() const { return db_; }
  const MiningOptions& options() const { return options_; }
  std::int32_t threshold() const { return threshold_; }
  // Items in the current pattern.
  std::int32_t depth() const { return static_cast<std::int32_t>(items_.size()); }
  bool AtMaxDepth() const { return depth() == options_.maxItems; }

  // Returns true iff the cancel or halt flag has been seen set; once true, stays true.
  bool Cancelled() {
    if (!cancelled_ &&
        ((options_.cancel != nullptr && options_.cancel->load(std::memory_order_relaxed)) ||
         (halt_ != nullptr && halt_->load(std::memory_order_relaxed)))) {
      cancelled_ = true;
    }
    return cancelled_;
  }
  bool cancelled() const { return cancelled_; }

  // Makes the pattern the one-item sequence of compact item x.
  void StartRoot(std::int32_t x);
  // Reports the current pattern with its count.
  void Report(std::int32_t count);

  // The recursion step of both searches: for each item-set extension, then each sequence
  // extension, of the current pattern, makes the pattern that extension, calls
  // grow(child, extensions, i) (child counts the extensions visited before; extensions[i] is the
  // item) and restores the pattern. Stops early once cancelled.
  template <typename Grow>
  void ForEachExtension(const std::vector<std::int32_t>& itemSetExtensions,
                        const std::vector<std::int32_t>& sequenceExtensions, Grow grow) {
    std::size_t child = 0;
    for (const bool newSet : {false, true}) {
      const std::vector<std::int32_t>& extensions = newSet ? sequenceExtensions : itemSetExtensions;
      for (std::size_t i = 0; i < extensions.size() && !cancelled_; ++i) {
        Push(extensions[i], newSet);
        grow(child++, extensions, i);
        Pop(newSet);
      }
    }
  }

 private:
  void Push(std::int32_t x, bool newSet);
  void Pop(bool newSet);

  const MiningOptions& options_;
  const CompactDatabase& db_;
  const std::int32_t threshold_;
  const SequenceMiner::Visitor& visitor_;
  const std::atomic<bool>* const halt_;
  bool cancelled_ = false;
  std::vector<std::int32_t> items_;    // the pattern's item ids, set after set
  std::vector<std::int32_t> setEnds_;  // one past the last item of each set
};

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_MINING_MININGRUN_H_
