// Customers' purchase histories in a compact, read-mostly form: the input of the miner.
#ifndef CARMASEQ_INPUT_SEQUENCEDATABASE_H_
#define CARMASEQ_INPUT_SEQUENCEDATABASE_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "foundation/Visibility.h"

namespace SEQUENCE_NAMESPACE_800 {

// Summary figures of a database.
struct CARMASEQ_MINING_EXPORT DatabaseStats {
  std::int32_t customers = 0;  // N, customers without any item included
  std::int64_t itemSets = 0;   // non-empty item sets over all customers
  std::int64_t items = 0;      // item occurrences over all item sets
  std::int32_t distinctItems = 0;
  std::int32_t maxItemsPerSet = 0;  // 0 when there is no item set
  double avgItemsPerSet = 0;        // 0 when there is no item set
  std::int32_t maxSetsPerCustomer = 0;
};

// Holds every customer's sequence of item sets in three flat arrays. Customer c owns the item
// sets [customerBegin(c), customerBegin(c + 1)); item set s owns the items
// [setBegin(s), setBegin(s + 1)) of items(), ascending and free of duplicates, and has time
// setTime(s). Item sets keep the order in which they were added; their times are whatever the
// caller gave, finite and never decreasing within a customer. Empty item sets are never stored,
// but a customer without any item set is (it counts in N).
//
// Limits: fewer than 2^31 customers and 2^32 item sets and items in total; the appenders throw
// std::length_error beyond that. Not thread-safe while appending; const access is safe from many
// threads. Copyable and movable.
class CARMASEQ_MINING_EXPORT SequenceDatabase {
 public:
  SequenceDatabase();

  // Starts a new customer, which becomes the target of AddItemSet.
  void StartCustomer();
  // Appends an item set with the given time to the current customer; the items are copied,
  // sorted and freed of duplicates. An empty set is ignored. Starts a customer when there is
  // none yet. Throws std::invalid_argument, adding nothing, when time is not finite or is below
  // the time of the customer's previous item set.
  void AddItemSet(const std::int32_t* items, std::size_t count, double time);
  void AddItemSet(const std::vector<std::int32_t>& items, double time) {
    AddItemSet(items.data(), items.size(), time);
  }
  // Drops every customer.
  void Clear();

  std::int32_t NumCustomers() const { return static_cast<std::int32_t>(customerBegin_.size() - 1); }
  std::uint32_t NumItemSets() const { return static_cast<std::uint32_t>(setTime_.size()); }
  std::uint32_t NumItems() const { return static_cast<std::uint32_t>(items_.size()); }

  // REQUIRES: 0 <= c <= NumCustomers().
  std::uint32_t customerBegin(std::int32_t c) const { return customerBegin_[c]; }
  // REQUIRES: s <= NumItemSets().
  std::uint32_t setBegin(std::uint32_t s) const { return setBegin_[s]; }
  // REQUIRES: s < NumItemSets().
  double setTime(std::uint32_t s) const { return setTime_[s]; }
  const std::int32_t* items() const { return items_.data(); }

  // Computes the summary figures (a pass over the items).
  DatabaseStats Stats() const;

 private:
  std::vector<std::uint32_t> customerBegin_;  // NumCustomers() + 1 entries
  std::vector<std::uint32_t> setBegin_;       // NumItemSets() + 1 entries
  std::vector<double> setTime_;
  std::vector<std::int32_t> items_;
};

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_INPUT_SEQUENCEDATABASE_H_
