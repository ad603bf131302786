// The lattice links of one held sequence: the (item, position) pairs of its one-item extensions.
#ifndef CARMASEQ_SEQUENCE_ADJACENTITEMSET_H_
#define CARMASEQ_SEQUENCE_ADJACENTITEMSET_H_

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

#include "foundation/Visibility.h"

namespace SEQUENCE_NAMESPACE_800 {

// An ordered set of (item, position) pairs: ascending by item, then by position, each pair once.
// position is the slot of the NTSequence extension constructor. The pairs are kept in one sorted
// array behind a 16-byte handle (a dictionary holds one set per sequence), so walking them is
// cheap and a set filled in one go (assign, assignSorted) costs one allocation of exactly its
// pairs. Inserting shifts the later pairs: cheap at the end and for small sets, but n pairs
// inserted in descending order cost O(n^2) moves, so readers of untrusted pairs should gather
// them and assign. A set may also view pairs it does not own (view): it copies them into storage
// of its own before any change, and copies of it own theirs. Iterators stay valid until the set
// changes. Copyable and movable. Not thread-safe.
class CARMASEQ_EXPORT AdjacentItemSet {
 public:
  using value_type = std::pair<std::int32_t, std::int32_t>;
  using const_iterator = const value_type*;
  using iterator = const_iterator;  // the pairs are read-only: they carry the order
  using size_type = std::size_t;

  AdjacentItemSet() = default;
  // The given pairs in order, each once.
  AdjacentItemSet(std::initializer_list<value_type> pairs);
  AdjacentItemSet(const AdjacentItemSet& other);
  AdjacentItemSet(AdjacentItemSet&& other) noexcept { swap(other); }
  AdjacentItemSet& operator=(const AdjacentItemSet& other);
  AdjacentItemSet& operator=(AdjacentItemSet&& other) noexcept;
  ~AdjacentItemSet();

  const_iterator begin() const { return pairs_; }
  const_iterator end() const { return pairs_ + size_; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  // Removes every pair; the storage is kept for refilling.
  void clear() { size_ = 0; }
  void swap(AdjacentItemSet& other) noexcept;

  // Inserts pair unless it is present. Returns the place of the pair and true iff it was
  // inserted. When memory runs out the set is unchanged (std::bad_alloc).
  std::pair<const_iterator, bool> insert(const value_type& pair);
  std::pair<const_iterator, bool> emplace(std::int32_t item, std::int32_t position) {
    return insert(value_type(item, position));
  }

  // The first pair not less than pair, or end().
  const_iterator lower_bound(const value_type& pair) const;
  // The pair equal to pair, or end().
  const_iterator find(const value_type& pair) const;
  std::size_t count(const value_type& pair) const { return find(pair) == end() ? 0 : 1; }

  // Makes the set hold exactly the n pairs at first, reusing its storage when large enough.
  // REQUIRES: the pairs are ascending and duplicate-free.
  void assignSorted(const value_type* first, std::size_t n);
  // Makes the set hold the given pairs, in any order, each once: O(n log n) where inserting
  // them one by one may cost O(n^2).
  void assign(std::vector<value_type> pairs);
  // Makes the set show the n pairs at first without copying or owning them; the caller keeps
  // them unchanged and alive while the set shows them (a dictionary stores all links of a level
  // in one array). REQUIRES: the pairs are ascending and duplicate-free.
  void view(const value_type* first, std::size_t n);
  // True iff the set shows pairs it does not own.
  bool isView() const { return capacity_ == 0 && pairs_ != nullptr; }
  // Copies viewed pairs into storage of the set's own (nothing for a set that owns its pairs).
  // Throws std::bad_alloc when memory runs out (the set is unchanged).
  void makeOwn();

  bool operator==(const AdjacentItemSet& other) const;
  bool operator!=(const AdjacentItemSet& other) const { return !(*this == other); }

 private:
  // Makes room for exactly n pairs, keeping the first size_ (n >= size_).
  void reallocate(std::size_t n);
  // Frees owned storage.
  void release();

  // capacity_ pairs of owned storage, or (capacity_ 0) viewed pairs; the first size_ ascending
  // and unique.
  value_type* pairs_ = nullptr;
  std::uint32_t size_ = 0;
  std::uint32_t capacity_ = 0;
};

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_SEQUENCE_ADJACENTITEMSET_H_
