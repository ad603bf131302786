// The bitmap strategy of the miner: a pattern's occurrences as one mask of item sets per
// supporting customer (see MiningRun.h for the whole search).
#ifndef CARMASEQ_MINING_BITMAPSEARCH_H_
#define CARMASEQ_MINING_BITMAPSEARCH_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "mining/MiningRun.h"

namespace SEQUENCE_NAMESPACE_800 {

// Mines the extensions of one-item sequences with bitmaps, reporting through a MiningRun.
// Not copyable; one thread.
class BitmapSearch {
 public:
  // Per item and customer, the mask of the customer's item sets holding the item, and, when
  // cheap enough to count, the item pair table that prunes candidates. Read-only once built.
  class Tables {
   public:
    // Returns true iff bitmaps can represent db under options: no time constraints, at most 64
    // item sets per customer and a table of masks of bounded size.
    static bool Suit(const CompactDatabase& db, const MiningOptions& options);
    // REQUIRES: Suit(db, options); db outlives the tables.
    explicit Tables(const CompactDatabase& db);

    // The masks of item x, indexed by customer.
    const std::uint64_t* Masks(std::int32_t x) const {
      return &masks_[static_cast<std::size_t>(x) * customers_];
    }
    // Customers holding x in one set with y, indexed by x; null when pairs were not counted.
    const std::int32_t* HeldTogether(std::int32_t y) const {
      return heldTogether_.empty() ? nullptr : &heldTogether_[y * items_];
    }
    // Customers holding x in a set after one holding y, indexed by x; null likewise.
    const std::int32_t* HeldAfter(std::int32_t y) const {
      return heldAfter_.empty() ? nullptr : &heldAfter_[y * items_];
    }

   private:
    void CountPairs(const CompactDatabase& db);

    std::size_t items_;
    std::size_t customers_;
    std::vector<std::uint64_t> masks_;                    // masks_[x * customers_ + c]
    std::vector<std::int32_t> heldTogether_, heldAfter_;  // [y * items_ + x]
  };

  // REQUIRES: run and tables outlive the search, and tables were built for run.db().
  BitmapSearch(MiningRun& run, const Tables& tables);
  BitmapSearch(const BitmapSearch&) = delete;
  BitmapSearch& operator=(const BitmapSearch&) = delete;

  // Reports the current pattern of run, the one-item sequence of x, and all its extensions.
  void MineRoot(std::int32_t x);

 private:
  // Per supporting customer, the mask of its item sets at which a match can end (never 0).
  struct Projection {
    std::vector<std::uint32_t> customers;  // compact customer index, ascending
    std::vector<std::uint64_t> masks;
    std::size_t size = 0;  // entries in use; the vectors may be longer

    void Reserve(std::size_t n);
  };
  // A run of candidate items, ascending.
  struct ItemSpan {
    const std::int32_t* begin;
    const std::int32_t* end;
  };

  // Reports the current pattern, whose occurrences are proj and whose last item is last, and
  // its extensions by the candidate items.
  void Grow(const Projection& proj, std::int32_t last, ItemSpan itemSetCandidates,
            ItemSpan sequenceCandidates);
  // Appends to extensions each candidate x whose extension of proj (base[k] & x's mask per
  // customer k) is frequent, building it into children[extensions.size()]. pairCounts, when not
  // null, bounds each candidate's count from above: a candidate below the threshold is skipped.
  void Extend(const Projection& proj, const std::uint64_t* base, ItemSpan candidates,
              const std::int32_t* pairCounts, Projection* children,
              std::vector<std::int32_t>& extensions) const;
  // Fills *out with base[k] & (x's mask) over the customers of proj; returns true iff at least
  // the threshold of customers remain.
  bool ExtendBy(const Projection& proj, const std::uint64_t* base, std::int32_t x,
                Projection* out) const;

  MiningRun& run_;
  const Tables& tables_;
  std::vector<std::int32_t> allItems_;  // 0..F-1
  Projection root_;
  // Per depth of the pattern being expanded: the projections of its frequent extensions, and
  // those extensions' items.
  std::vector<std::vector<Projection>> children_;
  std::vector<std::vector<std::int32_t>> itemSetExtensions_, sequenceExtensions_;
  std::vector<std::uint64_t> setsAfterFirst_;  // per customer of the pattern being expanded
};

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_MINING_BITMAPSEARCH_H_
