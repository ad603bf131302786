#include "sequence/AdjacentItemSet.h"

#include <algorithm>

namespace SEQUENCE_NAMESPACE_800 {

AdjacentItemSet::AdjacentItemSet(std::initializer_list<value_type> pairs) {
  assign(std::vector<value_type>(pairs));
}

std::pair<AdjacentItemSet::const_iterator, bool> AdjacentItemSet::insert(const value_type& pair) {
  // Readers and the lattice walk mostly deliver pairs in order: try the end first.
  if (pairs_.empty() || pairs_.back() < pair) {
    pairs_.push_back(pair);
    return {pairs_.end() - 1, true};
  }
  const auto at = std::lower_bound(pairs_.begin(), pairs_.end(), pair);
  if (*at == pair) return {at, false};
  return {pairs_.insert(at, pair), true};
}

AdjacentItemSet::const_iterator AdjacentItemSet::lower_bound(const value_type& pair) const {
  return std::lower_bound(pairs_.begin(), pairs_.end(), pair);
}

AdjacentItemSet::const_iterator AdjacentItemSet::find(const value_type& pair) const {
  const auto at = lower_bound(pair);
  return at != pairs_.end() && *at == pair ? at : pairs_.end();
}

void AdjacentItemSet::assign(std::vector<value_type> pairs) {
  std::sort(pairs.begin(), pairs.end());
  pairs.erase(std::unique(pairs.begin(), pairs.end()), pairs.end());
  pairs_.swap(pairs);
}

void AdjacentItemSet::assignSorted(const value_type* first, std::size_t n) {
  pairs_.assign(first, first + n);
}

}  // namespace SEQUENCE_NAMESPACE_800
