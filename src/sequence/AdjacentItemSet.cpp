#include "sequence/AdjacentItemSet.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <new>

namespace SEQUENCE_NAMESPACE_800 {

namespace {

using Pair = AdjacentItemSet::value_type;

Pair* AllocatePairs(std::size_t n) {
  if (n > std::numeric_limits<std::uint32_t>::max()) throw std::bad_alloc();
  return static_cast<Pair*>(::operator new(n * sizeof(Pair)));
}

void FreePairs(Pair* pairs) { ::operator delete(pairs); }

}  // namespace

AdjacentItemSet::AdjacentItemSet(std::initializer_list<value_type> pairs) {
  assign(std::vector<value_type>(pairs));
}

AdjacentItemSet::AdjacentItemSet(const AdjacentItemSet& other) {
  assignSorted(other.pairs_, other.size_);
}

AdjacentItemSet& AdjacentItemSet::operator=(const AdjacentItemSet& other) {
  if (this != &other) assignSorted(other.pairs_, other.size_);
  return *this;
}

AdjacentItemSet& AdjacentItemSet::operator=(AdjacentItemSet&& other) noexcept {
  AdjacentItemSet moved(std::move(other));
  swap(moved);
  return *this;
}

AdjacentItemSet::~AdjacentItemSet() { FreePairs(pairs_); }

void AdjacentItemSet::swap(AdjacentItemSet& other) noexcept {
  std::swap(pairs_, other.pairs_);
  std::swap(size_, other.size_);
  std::swap(capacity_, other.capacity_);
}

void AdjacentItemSet::reallocate(std::size_t n) {
  Pair* fresh = AllocatePairs(n);
  std::uninitialized_copy_n(pairs_, size_, fresh);
  FreePairs(pairs_);
  pairs_ = fresh;
  capacity_ = static_cast<std::uint32_t>(n);
}

std::pair<AdjacentItemSet::const_iterator, bool> AdjacentItemSet::insert(const value_type& pair) {
  // Readers and the lattice walk mostly deliver pairs in order: try the end first.
  std::size_t at = size_;
  if (size_ > 0 && !(pairs_[size_ - 1] < pair)) {
    at = static_cast<std::size_t>(lower_bound(pair) - pairs_);
    if (pairs_[at] == pair) return {pairs_ + at, false};
  }
  if (size_ == capacity_) reallocate(capacity_ == 0 ? 2 : std::size_t{capacity_} * 2);
  std::copy_backward(pairs_ + at, pairs_ + size_, pairs_ + size_ + 1);
  pairs_[at] = pair;
  ++size_;
  return {pairs_ + at, true};
}

AdjacentItemSet::const_iterator AdjacentItemSet::lower_bound(const value_type& pair) const {
  return std::lower_bound(begin(), end(), pair);
}

AdjacentItemSet::const_iterator AdjacentItemSet::find(const value_type& pair) const {
  const auto at = lower_bound(pair);
  return at != end() && *at == pair ? at : end();
}

void AdjacentItemSet::assign(std::vector<value_type> pairs) {
  std::sort(pairs.begin(), pairs.end());
  pairs.erase(std::unique(pairs.begin(), pairs.end()), pairs.end());
  assignSorted(pairs.data(), pairs.size());
}

void AdjacentItemSet::assignSorted(const value_type* first, std::size_t n) {
  if (n > capacity_) {
    Pair* fresh = AllocatePairs(n);
    FreePairs(pairs_);
    pairs_ = fresh;
    capacity_ = static_cast<std::uint32_t>(n);
  }
  if (n > 0) std::copy_n(first, n, pairs_);
  size_ = static_cast<std::uint32_t>(n);
}

bool AdjacentItemSet::operator==(const AdjacentItemSet& other) const {
  return size_ == other.size_ && std::equal(begin(), end(), other.begin());
}

}  // namespace SEQUENCE_NAMESPACE_800
