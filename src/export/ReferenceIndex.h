// The numbering of items, item sets and sequences that one export writes and refers to.
#ifndef CARMASEQ_EXPORT_REFERENCEINDEX_H_
#define CARMASEQ_EXPORT_REFERENCEINDEX_H_

#include <algorithm>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "foundation/Visibility.h"
#include "sequence/NTSequence.h"

namespace SEQUENCE_NAMESPACE_800 {

class Sequence;
class TimedItemSet;

// A run of items held elsewhere: one item set, ascending and duplicate-free.
struct ItemSpan {
  const std::int32_t* items;
  std::int32_t count;
};

// Orders item sets lexicographically on their ascending items, a proper prefix first (the
// TimedItemSet order), and lets a stored set be found from an ItemSpan without a copy.
struct ItemSetLess {
  using is_transparent = void;
  bool operator()(const std::vector<std::int32_t>& a, const std::vector<std::int32_t>& b) const {
    return a < b;
  }
  bool operator()(const std::vector<std::int32_t>& a, ItemSpan b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.items, b.items + b.count);
  }
  bool operator()(ItemSpan a, const std::vector<std::int32_t>& b) const {
    return std::lexicographical_compare(a.items, a.items + a.count, b.begin(), b.end());
  }
};

// Three ordered maps filled during one export and then numbered:
//  - items, ascending by id;
//  - item sets, in the TimedItemSet order (times play no part);
//  - sequences, in the Sequence order (set by set, a proper prefix first), held as keys.
// Once AssignNumbers has run, the keys of each map carry 1, 2, 3, ... in key order; a look-up of
// a key that is not held gives -1. A key added after AssignNumbers has number 0 until
// AssignNumbers runs again.
//
// The index owns copies of everything added to it. Not copyable. Not thread-safe.
class CARMASEQ_EXPORT ReferenceIndex {
 public:
  using ItemMap = std::map<std::int32_t, std::int32_t>;
  using ItemSetMap = std::map<std::vector<std::int32_t>, std::int32_t, ItemSetLess>;
  using SequenceMap = std::map<NTSequence, std::int32_t>;
  // A sequence key with its number; its address stays valid as long as the index lives.
  using SequenceEntry = SequenceMap::value_type;

  ReferenceIndex() = default;
  ReferenceIndex(const ReferenceIndex&) = delete;
  ReferenceIndex& operator=(const ReferenceIndex&) = delete;
  ~ReferenceIndex() = default;

  // Each Add inserts the key unless an equal one is held.
  void AddItem(std::int32_t item);
  // REQUIRES: items ascending and duplicate-free.
  void AddItemSet(ItemSpan items);
  void AddItemSet(const TimedItemSet& set);
  // Returns the entry of the held key equal to key.
  const SequenceEntry& AddSequence(const NTSequence& key);
  // The sequence is held as its key (times dropped). REQUIRES: at most 31 items.
  const SequenceEntry& AddSequence(const Sequence& sequence);

  // Numbers the keys of every map 1, 2, 3, ... in key order.
  void AssignNumbers();

  // The number of a held key, or -1.
  std::int32_t GetItemNumber(std::int32_t item) const;
  std::int32_t GetItemSetNumber(ItemSpan items) const;
  std::int32_t GetItemSetNumber(const TimedItemSet& set) const;
  std::int32_t GetSequenceNumber(const NTSequence& key) const;
  std::int32_t GetSequenceNumber(const Sequence& sequence) const;

  const ItemMap& Items() const { return items_; }
  const ItemSetMap& ItemSets() const { return itemSets_; }
  const SequenceMap& Sequences() const { return sequences_; }

  // The number of sequences an export reports: the size of the sequence map unless
  // SetNumberOfSequences gave another count (the lattice export counts held sequences instead
  // of filling the map).
  std::int32_t GetNumberOfSequences() const;
  // REQUIRES: count >= 0.
  void SetNumberOfSequences(std::int32_t count);

 private:
  ItemMap items_;
  ItemSetMap itemSets_;
  SequenceMap sequences_;
  std::int32_t numberOfSequences_ = -1;  // -1: the size of sequences_
};

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_EXPORT_REFERENCEINDEX_H_
