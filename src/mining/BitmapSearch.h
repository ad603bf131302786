// The bitmap strategy of the miner: a pattern's occurrences as one mask of item sets per
// supporting customer (see MiningRun.h for the whole search).

#ifndef CARMASEQ_MINING_BITMAPSEARCH_H_
#define CARMASEQ_MINING_BITMAPSEARCH_H_

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "mining/MiningRun.h"

namespace SEQUENCE_NAMESPACE_800 {

// Mines the extensions of one-item sequences with bitmaps, reporting through a MiningRun.
// Not copyable; one thread.
class BitmapSearch {
 public:
  // Per customer and item, the mask of the customer's item sets holding the item, and, when
  // cheap enough to count, the item pair table that prunes candidates. Read-only once built.
  //
  // A mask is as wide as the longest customer needs (8, 16, 32 or 64 bits), and one customer's
  // masks lie side by side, so the search reads one short row per customer it visits.
  class Tables {
   public:
    // Returns true iff bitmaps can represent db under options: no time constraints, at most 64
    // item sets per customer and a table of masks of bounded size.
    static bool Suit(const CompactDatabase& db, const MiningOptions& options);
    // REQUIRES: Suit(db, options); db outlives the tables.
    explicit Tables(const CompactDatabase& db);

    // Bytes in one mask: 1, 2, 4 or 8.
    std::size_t MaskBytes() const { return maskBytes_; }
    // The masks of customer c, indexed by item.
    // REQUIRES: sizeof(Mask) == MaskBytes().
    template <typename Mask>
    const Mask* Row(std::size_t c) const {
      return static_cast<const Mask*>(rows_.get()) + c * items_;
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
    template <typename Mask>
    void Fill(const CompactDatabase& db);
    template <typename Mask>
    void CountPairs(const CompactDatabase& db);

    std::size_t items_;
    std::size_t customers_;
    std::size_t maskBytes_;
    struct Free {
      void operator()(void* p) const { std::free(p); }
    };
    std::unique_ptr<void, Free> rows_;                    // customers_ rows of items_ masks
    std::vector<std::int32_t> heldTogether_, heldAfter_;  // [y * items_ + x]
  };

  // REQUIRES: run and tables outlive the search, and tables were built for run.db().
  BitmapSearch(MiningRun& run, const Tables& tables);
  ~BitmapSearch();
  BitmapSearch(const BitmapSearch&) = delete;
  BitmapSearch& operator=(const BitmapSearch&) = delete;

  // Reports the current pattern of run, the one-item sequence of x, and all its extensions.
  void MineRoot(std::int32_t x);

  // The search for one width of mask; defined in the .cpp file.
  class Engine;

 private:
  std::unique_ptr<Engine> engine_;
};

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_MINING_BITMAPSEARCH_H_
