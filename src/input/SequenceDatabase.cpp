#include "input/SequenceDatabase.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "input/DistinctIds.h"

namespace SEQUENCE_NAMESPACE_800 {

namespace {

constexpr std::size_t kMaxIndex = std::numeric_limits<std::uint32_t>::max();

}  // namespace

SequenceDatabase::SequenceDatabase() { Clear(); }

void SequenceDatabase::Clear() {
  customerBegin_.assign(1, 0);
  setBegin_.assign(1, 0);
  setTime_.clear();
  items_.clear();
}

void SequenceDatabase::StartCustomer() {
  if (customerBegin_.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
    throw std::length_error("SequenceDatabase: too many customers");
  }
  customerBegin_.push_back(static_cast<std::uint32_t>(setTime_.size()));
}

void SequenceDatabase::AddItemSet(const std::int32_t* items, std::size_t count, double time) {
  if (count == 0) return;
  if (items_.size() + count >= kMaxIndex || setTime_.size() + 1 >= kMaxIndex) {
    throw std::length_error("SequenceDatabase: too many items");
  }
  if (!std::isfinite(time)) throw std::invalid_argument("item set time is not finite");
  if (customerBegin_.size() == 1) StartCustomer();
  if (customerBegin_[customerBegin_.size() - 2] < setTime_.size() && time < setTime_.back()) {
    throw std::invalid_argument("item set time goes backwards");
  }
  const std::size_t first = items_.size();
  items_.insert(items_.end(), items, items + count);
  std::sort(items_.begin() + first, items_.end());
  items_.erase(std::unique(items_.begin() + first, items_.end()), items_.end());
  setTime_.push_back(time);
  setBegin_.push_back(static_cast<std::uint32_t>(items_.size()));
  customerBegin_.back() = static_cast<std::uint32_t>(setTime_.size());
}

DatabaseStats SequenceDatabase::Stats() const {
  DatabaseStats stats;
  stats.customers = NumCustomers();
  stats.itemSets = NumItemSets();
  stats.items = NumItems();
  for (std::uint32_t s = 0; s < NumItemSets(); ++s) {
    stats.maxItemsPerSet =
        std::max<std::int32_t>(stats.maxItemsPerSet, setBegin_[s + 1] - setBegin_[s]);
  }
  if (stats.itemSets > 0) {
    stats.avgItemsPerSet = static_cast<double>(stats.items) / static_cast<double>(stats.itemSets);
  }
  for (std::int32_t c = 0; c < NumCustomers(); ++c) {
    stats.maxSetsPerCustomer =
        std::max<std::int32_t>(stats.maxSetsPerCustomer, customerBegin_[c + 1] - customerBegin_[c]);
  }
  stats.distinctItems = static_cast<std::int32_t>(DistinctIds(items_.data(), items_.size()).size());
  return stats;
}

}  // namespace SEQUENCE_NAMESPACE_800
