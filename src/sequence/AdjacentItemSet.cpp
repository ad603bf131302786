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

AdjacentItemSet::~AdjacentItemSet() { release(); }

void AdjacentItemSet::release() {
  if (capacity_ > 0) FreePairs(pairs_);
  pairs_ = nullptr;
  size_ = capacity_ = 0;
}

void AdjacentItemSet::swap(AdjacentItemSet& other) noexcept {
  std::swap(pairs_, other.pairs_);
  std::swap(size_, other.size_);
  std::swap(capacity_, other.capacity_);
}

void AdjacentItemSet::reallocate(std::size_t n) {
  Pair* fresh = AllocatePairs(n);
  std::uninitialized_copy_n(pairs_, size_, fresh);
  const std::uint32_t size = size_;
  release();
  pairs_ = fresh;
  size_ = size;
  capacity_ = static_cast<std::uint32_t>(n);
}

void AdjacentItemSet::view(const value_type* first, std::size_t n) {
  release();
  if (n == 0) return;
  pairs_ = const_cast<Pair*>(first);  // never written: a change copies first
  size_ = static_cast<std::uint32_t>(n);
}

void AdjacentItemSet::makeOwn() {
  if (isView()) reallocate(size_);
}

std::pair<AdjacentItemSet::const_iterator, bool> AdjacentItemSet::insert(const value_type& pair) {
  // Readers and the lattice walk mostly deliver pairs in order: try the end first.
  std::size_t at = size_;
  if (size_ > 0 && !(pairs_[size_ - 1] < pair)) {
    at = static_cast<std::size_t>(lower_bound(pair) - pairs_);
    if (pairs_[at] == pair) return {pairs_ + at, false};
  }
  if (size_ >= capacity_) reallocate(std::max<std::size_t>(2, std::size_t{size_} * 2));
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
    release();
    pairs_ = fresh;
    capacity_ = static_cast<std::uint32_t>(n);
  } else if (isView()) {
    release();  // n is 0
  }
  if (n > 0) std::copy_n(first, n, pairs_);
  size_ = static_cast<std::uint32_t>(n);
}

bool AdjacentItemSet::operator==(const AdjacentItemSet& other) const {
  return size_ == other.size_ && std::equal(begin(), end(), other.begin());
}

}  // namespace SEQUENCE_NAMESPACE_800
