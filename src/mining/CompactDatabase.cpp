#include "mining/CompactDatabase.h"

#include <algorithm>

#include "input/SequenceDatabase.h"

namespace SEQUENCE_NAMESPACE_800 {

CompactDatabase::CompactDatabase(const SequenceDatabase& db, std::int32_t threshold) {
  const std::int32_t* items = db.items();
  std::vector<std::int32_t> ids(items, items + db.NumItems());
  std::sort(ids.begin(), ids.end());
  ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
  auto dense = [&ids](std::int32_t id) {
    return static_cast<std::int32_t>(std::lower_bound(ids.begin(), ids.end(), id) - ids.begin());
  };

  // Customers per item, each customer counted once.
  std::vector<std::int32_t> support(ids.size(), 0);
  std::vector<std::int32_t> seen(ids.size(), -1);
  for (std::int32_t c = 0; c < db.NumCustomers(); ++c) {
    for (std::uint32_t p = db.setBegin(db.customerBegin(c));
         p < db.setBegin(db.customerBegin(c + 1)); ++p) {
      const std::int32_t d = dense(items[p]);
      if (seen[d] != c) {
        seen[d] = c;
        ++support[d];
      }
    }
  }
  std::vector<std::int32_t> remap(ids.size(), -1);
  for (std::size_t d = 0; d < ids.size(); ++d) {
    if (support[d] >= threshold) {
      remap[d] = static_cast<std::int32_t>(originalId_.size());
      originalId_.push_back(ids[d]);
    }
  }

  firstSet_.assign(1, 0);
  firstItem_.assign(1, 0);
  for (std::int32_t c = 0; c < db.NumCustomers(); ++c) {
    for (std::uint32_t s = db.customerBegin(c); s < db.customerBegin(c + 1); ++s) {
      const std::uint32_t set = static_cast<std::uint32_t>(setTime_.size());
      for (std::uint32_t p = db.setBegin(s); p < db.setBegin(s + 1); ++p) {
        const std::int32_t x = remap[dense(items[p])];
        if (x >= 0) {
          itemAt_.push_back(x);
          setOf_.push_back(set);
        }
      }
      if (itemAt_.size() > firstItem_.back()) {
        setTime_.push_back(db.setTime(s));
        firstItem_.push_back(static_cast<std::uint32_t>(itemAt_.size()));
      }
    }
    if (setTime_.size() > firstSet_.back()) {
      firstSet_.push_back(static_cast<std::uint32_t>(setTime_.size()));
    }
  }
}

}  // namespace SEQUENCE_NAMESPACE_800
