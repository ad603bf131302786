#include "mining/CompactDatabase.h"

#include <algorithm>

#include "foundation/Resident.h"
#include "input/DistinctIds.h"
#include "input/SequenceDatabase.h"

namespace SEQUENCE_NAMESPACE_800 {

namespace {

// Item ids numbered densely 0..n-1 in ascending order of id.
class DenseItems {
 public:
  DenseItems(const std::int32_t* items, std::size_t n) : ids_(DistinctIds(items, n)) {
    if (ids_.empty()) return;
    low_ = ids_.front();
    const std::uint64_t range = static_cast<std::uint64_t>(std::int64_t{ids_.back()} - low_) + 1;
    // Ids spread wide are searched; in a narrow range (the usual case) numbered through a table
    // indexed by id.
    if (range > std::max<std::uint64_t>(4 * std::uint64_t{n}, 1 << 16)) return;
    number_.resize(range);
    for (std::size_t d = 0; d < ids_.size(); ++d) {
      number_[Slot(ids_[d])] = static_cast<std::int32_t>(d);
    }
  }

  // Dense number -> id.
  const std::vector<std::int32_t>& ids() const { return ids_; }
  // The dense number of an id that occurs.
  std::int32_t Of(std::int32_t id) const {
    if (!number_.empty()) return number_[Slot(id)];
    return static_cast<std::int32_t>(std::lower_bound(ids_.begin(), ids_.end(), id) - ids_.begin());
  }

 private:
  std::size_t Slot(std::int32_t id) const {
    return static_cast<std::size_t>(std::int64_t{id} - low_);
  }

  std::int64_t low_ = 0;
  std::vector<std::int32_t> ids_;
  // id - low_ -> dense number, for the ids that occur; empty for wide ids.
  std::vector<std::int32_t> number_;
};

}  // namespace

CompactDatabase::CompactDatabase(const SequenceDatabase& db, std::int32_t threshold,
                                 bool withTimes) {
  const std::int32_t* const items = db.items();
  const DenseItems numbered(items, db.NumItems());
  const std::vector<std::int32_t>& ids = numbered.ids();
  auto dense = [&numbered, items](std::uint32_t p) { return numbered.Of(items[p]); };

  // Customers per item, each customer counted once, and occurrences per item.
  std::vector<std::int32_t> support(ids.size(), 0);
  std::vector<std::size_t> occurrences(ids.size(), 0);
  std::vector<std::int32_t> seen(ids.size(), -1);
  for (std::int32_t c = 0; c < db.NumCustomers(); ++c) {
    for (std::uint32_t p = db.setBegin(db.customerBegin(c));
         p < db.setBegin(db.customerBegin(c + 1)); ++p) {
      const std::int32_t d = dense(p);
      ++occurrences[d];
      if (seen[d] != c) {
        seen[d] = c;
        ++support[d];
      }
    }
  }
  std::vector<std::int32_t> remap(ids.size(), -1);
  std::size_t kept = 0;  // item positions kept; each kept set and customer holds at least one
  for (std::size_t d = 0; d < ids.size(); ++d) {
    if (support[d] >= threshold) {
      kept += occurrences[d];
      remap[d] = static_cast<std::int32_t>(originalId_.size());
      originalId_.push_back(ids[d]);
      customersOf_.push_back(static_cast<std::uint32_t>(support[d]));
      occurrencesOf_.push_back(static_cast<std::uint32_t>(occurrences[d]));
    }
  }

  // Sized for the most the kept items can fill, written by index, then cut to what they did.
  const std::size_t sets = std::min<std::size_t>(db.NumItemSets(), kept);
  const std::size_t customers = std::min<std::size_t>(db.NumCustomers(), kept);
  // Sets of one item each (click streams, say): a set's item positions and a customer's first
  // item position are then its set numbers, and are not stored.
  oneItemSets_ = db.NumItems() == db.NumItemSets();
  ResizeBacked(itemAt_, kept);
  if (!oneItemSets_) {
    ResizeBacked(setEnd_, kept);
    ResizeBacked(firstItem_, sets + 1);
  }
  if (withTimes) {
    ResizeBacked(setOf_, kept);
    ResizeBacked(setTime_, sets);
  }
  ResizeBacked(firstSet_, customers + 1);
  std::uint32_t positionsDone = 0, setsDone = 0, customersDone = 0;
  for (std::int32_t c = 0; c < db.NumCustomers(); ++c) {
    for (std::uint32_t s = db.customerBegin(c); s < db.customerBegin(c + 1); ++s) {
      const std::uint32_t setStart = positionsDone;
      for (std::uint32_t p = db.setBegin(s); p < db.setBegin(s + 1); ++p) {
        const std::int32_t x = remap[dense(p)];
        if (x >= 0) itemAt_[positionsDone++] = x;
      }
      if (positionsDone == setStart) continue;
      if (withTimes) {
        for (std::uint32_t p = setStart; p < positionsDone; ++p) setOf_[p] = setsDone;
        setTime_[setsDone] = db.setTime(s);
      }
      ++setsDone;
      if (oneItemSets_) continue;
      for (std::uint32_t p = setStart; p < positionsDone; ++p) setEnd_[p] = positionsDone;
      firstItem_[setsDone] = positionsDone;
      hasWideSets_ |= positionsDone - setStart > 1;
    }
    if (setsDone > firstSet_[customersDone]) firstSet_[++customersDone] = setsDone;
  }
  if (withTimes) setTime_.resize(setsDone);
  firstSet_.resize(customersDone + std::size_t{1});
  if (oneItemSets_) return;
  firstItem_.resize(setsDone + std::size_t{1});
  ReserveBacked(customerItem_, firstSet_.size());
  for (const std::uint32_t set : firstSet_) customerItem_.push_back(firstItem_[set]);
}

void CompactDatabase::StartPart(const CompactDatabase& whole) {
  originalId_.clear();
  customersOf_.clear();
  occurrencesOf_.clear();
  oneItemSets_ = whole.oneItemSets_;
  hasWideSets_ = whole.hasWideSets_;
  setTime_.clear();
  setOf_.clear();
  setEnd_.clear();
  itemAt_.clear();
  firstSet_.assign(1, 0);
  firstItem_.assign(oneItemSets_ ? 0 : 1, 0);
  customerItem_.assign(oneItemSets_ ? 0 : 1, 0);
}

}  // namespace SEQUENCE_NAMESPACE_800
