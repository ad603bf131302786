#include "mining/CompactDatabase.h"

#include <algorithm>

#include "foundation/Resident.h"
#include "input/SequenceDatabase.h"

namespace SEQUENCE_NAMESPACE_800 {

namespace {

// Item ids numbered densely 0..n-1 in ascending order of id, and each item position's dense
// number.
struct DenseItems {
  std::vector<std::int32_t> ids;    // dense number -> id
  std::vector<std::int32_t> dense;  // item position -> dense number
};

DenseItems NumberItems(const std::int32_t* items, std::size_t n) {
  DenseItems out;
  ResizeBacked(out.dense, n);
  if (n == 0) return out;
  const auto [low, high] = std::minmax_element(items, items + n);
  const std::uint64_t range = static_cast<std::uint64_t>(std::int64_t{*high} - *low) + 1;
  if (range <= std::max<std::uint64_t>(4 * std::uint64_t{n}, 1 << 16)) {
    // Ids in a narrow range (the usual case): number them through a table indexed by id.
    auto slot = [low = *low](std::int32_t id) {
      return static_cast<std::size_t>(std::int64_t{id} - low);
    };
    std::vector<std::int32_t> number(range, -1);
    for (std::size_t p = 0; p < n; ++p) number[slot(items[p])] = 0;
    for (std::uint64_t i = 0; i < range; ++i) {
      if (number[i] < 0) continue;
      number[i] = static_cast<std::int32_t>(out.ids.size());
      out.ids.push_back(static_cast<std::int32_t>(*low + static_cast<std::int64_t>(i)));
    }
    for (std::size_t p = 0; p < n; ++p) out.dense[p] = number[slot(items[p])];
    return out;
  }
  out.ids.assign(items, items + n);
  std::sort(out.ids.begin(), out.ids.end());
  out.ids.erase(std::unique(out.ids.begin(), out.ids.end()), out.ids.end());
  for (std::size_t p = 0; p < n; ++p) {
    out.dense[p] = static_cast<std::int32_t>(
        std::lower_bound(out.ids.begin(), out.ids.end(), items[p]) - out.ids.begin());
  }
  return out;
}

}  // namespace

CompactDatabase::CompactDatabase(const SequenceDatabase& db, std::int32_t threshold) {
  const DenseItems numbered = NumberItems(db.items(), db.NumItems());
  const std::vector<std::int32_t>& ids = numbered.ids;
  auto dense = [&numbered](std::uint32_t p) { return numbered.dense[p]; };

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
  ResizeBacked(itemAt_, kept);
  ResizeBacked(setOf_, kept);
  ResizeBacked(setEnd_, kept);
  ResizeBacked(setTime_, sets);
  ResizeBacked(firstItem_, sets + 1);
  ResizeBacked(firstSet_, customers + 1);
  std::uint32_t positionsDone = 0, setsDone = 0, customersDone = 0;
  for (std::int32_t c = 0; c < db.NumCustomers(); ++c) {
    for (std::uint32_t s = db.customerBegin(c); s < db.customerBegin(c + 1); ++s) {
      const std::uint32_t setStart = positionsDone;
      for (std::uint32_t p = db.setBegin(s); p < db.setBegin(s + 1); ++p) {
        const std::int32_t x = remap[dense(p)];
        if (x >= 0) {
          itemAt_[positionsDone] = x;
          setOf_[positionsDone++] = setsDone;
        }
      }
      if (positionsDone == setStart) continue;
      for (std::uint32_t p = setStart; p < positionsDone; ++p) setEnd_[p] = positionsDone;
      setTime_[setsDone++] = db.setTime(s);
      firstItem_[setsDone] = positionsDone;
    }
    if (setsDone > firstSet_[customersDone]) firstSet_[++customersDone] = setsDone;
  }
  setTime_.resize(setsDone);
  firstItem_.resize(setsDone + std::size_t{1});
  firstSet_.resize(customersDone + std::size_t{1});
  ReserveBacked(customerItem_, firstSet_.size());
  for (const std::uint32_t set : firstSet_) customerItem_.push_back(firstItem_[set]);
  for (std::size_t s = 0; s + 1 < firstItem_.size() && !hasWideSets_; ++s) {
    hasWideSets_ = firstItem_[s + 1] - firstItem_[s] > 1;
  }
}

}  // namespace SEQUENCE_NAMESPACE_800
