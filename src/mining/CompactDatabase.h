// The frequent items of a database in the compact form the miner searches.
#ifndef CARMASEQ_MINING_COMPACTDATABASE_H_
#define CARMASEQ_MINING_COMPACTDATABASE_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "foundation/Prefetch.h"

namespace SEQUENCE_NAMESPACE_800 {

class SequenceDatabase;

// The frequent items of a database, renumbered 0..F-1 in ascending order of their ids, with the
// item sets and customers left empty dropped. Item positions, sets and customers are numbered
// consecutively: customer c owns sets FirstSet(c) .. FirstSet(c + 1) - 1, set s owns item
// positions FirstItem(s) .. FirstItem(s + 1) - 1. Read-only once built, except a part, which
// StartPart and AddCustomer refill for each root it serves. Copyable.
class CompactDatabase {
 public:
  // Keeps the items at least threshold customers hold. Only withTimes keeps what time
  // constraints read: each set's time (SetTime) and each item position's set (SetOf).
  CompactDatabase(const SequenceDatabase& db, std::int32_t threshold, bool withTimes);
  // A database without customers; StartPart makes it a part of another.
  CompactDatabase() : firstSet_(1, 0), firstItem_(1, 0), customerItem_(1, 0) {}

  // A part of a database: some of its item positions, customer by customer, for a search that
  // needs no more (see PositionSearch). Items keep their numbers and sets their times (when the
  // whole has them); there are no per-item counts. StartPart empties this database, keeping its
  // arrays' memory, to take the customers AddCustomer gives next, numbered from 0 in that order.
  void StartPart(const CompactDatabase& whole);
  // Appends a customer holding the positions p of [from, to) in whole for which
  // keep(p, firstOfSet) is true, in order, where firstOfSet tells the first position of each set
  // walked; the positions kept of one set of whole make one set, and a set left empty is
  // dropped. REQUIRES: from is the first position of a set, or within a set whose positions
  // before from are to be dropped; keep accepts at least one position.
  template <typename Keep>
  void AddCustomer(const CompactDatabase& whole, std::uint32_t from, std::uint32_t to, Keep keep);

  std::size_t NumItems() const { return originalId_.size(); }  // F
  std::size_t NumCustomers() const { return firstSet_.size() - 1; }
  std::int32_t OriginalId(std::int32_t x) const { return originalId_[x]; }
  // The customers holding item x, and its item positions.
  std::uint32_t CustomersOf(std::int32_t x) const { return customersOf_[x]; }
  std::uint32_t OccurrencesOf(std::int32_t x) const { return occurrencesOf_[x]; }
  std::uint32_t FirstSet(std::size_t customer) const { return firstSet_[customer]; }
  std::uint32_t FirstItem(std::uint32_t set) const { return oneItemSets_ ? set : firstItem_[set]; }
  // REQUIRES (both): built withTimes.
  double SetTime(std::uint32_t set) const { return setTime_[set]; }
  std::uint32_t SetOf(std::uint32_t position) const { return setOf_[position]; }
  // One past the last item position of the set holding position: FirstItem(SetOf(position) + 1).
  std::uint32_t SetEnd(std::uint32_t position) const {
    return oneItemSets_ ? position + 1 : setEnd_[position];
  }
  std::int32_t ItemAt(std::uint32_t position) const { return itemAt_[position]; }
  const std::int32_t* Items() const { return itemAt_.data(); }
  // The first item position of the customer's first set and one past its last.
  std::uint32_t CustomerBegin(std::size_t c) const {
    return oneItemSets_ ? firstSet_[c] : customerItem_[c];
  }
  std::uint32_t CustomerEnd(std::size_t c) const { return CustomerBegin(c + 1); }
  // Asks the cache for what a walk of customer c's items from position p reads first.
  void PrefetchWalk(std::size_t c, std::uint32_t p) const {
    if (oneItemSets_) {
      Prefetch(&firstSet_[c + 1]);
    } else {
      Prefetch(&customerItem_[c + 1]);
      Prefetch(&setEnd_[p]);
    }
    Prefetch(&itemAt_[p]);
  }
  // True iff some item set holds more than one item (else no pattern has an item-set extension).
  bool HasWideSets() const { return hasWideSets_; }

 private:
  std::vector<std::int32_t> originalId_;      // compact item -> item id
  std::vector<std::uint32_t> customersOf_;    // compact item -> customers holding it
  std::vector<std::uint32_t> occurrencesOf_;  // compact item -> its item positions
  // Every set of the database holds one item: firstItem_, customerItem_ and setEnd_ stay empty
  // (a set's first item position is its number).
  bool oneItemSets_ = false;
  std::vector<std::uint32_t> firstSet_;      // one extra entry
  std::vector<std::uint32_t> firstItem_;     // one extra entry
  std::vector<std::uint32_t> customerItem_;  // FirstItem(FirstSet(c)), one extra entry
  bool hasWideSets_ = false;
  std::vector<double> setTime_;        // empty unless built withTimes
  std::vector<std::uint32_t> setOf_;   // item position -> set; empty unless built withTimes
  std::vector<std::uint32_t> setEnd_;  // item position -> one past its set's last position
  std::vector<std::int32_t> itemAt_;   // item position -> compact item
};

template <typename Keep>
void CompactDatabase::AddCustomer(const CompactDatabase& whole, std::uint32_t from,
                                  std::uint32_t to, Keep keep) {
  const bool withTimes = !whole.setTime_.empty();
  for (std::uint32_t p = from; p < to;) {
    const std::uint32_t setEnd = std::min(whole.SetEnd(p), to);
    const double time = withTimes ? whole.SetTime(whole.SetOf(p)) : 0;
    const auto setStart = static_cast<std::uint32_t>(itemAt_.size());
    for (bool first = true; p < setEnd; ++p, first = false) {
      if (keep(p, first)) itemAt_.push_back(whole.itemAt_[p]);
    }
    const auto kept = static_cast<std::uint32_t>(itemAt_.size());
    if (kept == setStart) continue;
    if (withTimes) {
      setOf_.resize(kept, static_cast<std::uint32_t>(setTime_.size()));
      setTime_.push_back(time);
    }
    if (oneItemSets_) continue;
    setEnd_.resize(kept, kept);
    firstItem_.push_back(kept);
  }
  const std::size_t sets = oneItemSets_ ? itemAt_.size() : firstItem_.size() - 1;
  firstSet_.push_back(static_cast<std::uint32_t>(sets));
  if (!oneItemSets_) customerItem_.push_back(static_cast<std::uint32_t>(itemAt_.size()));
}

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_MINING_COMPACTDATABASE_H_
