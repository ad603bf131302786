// The numbering of items, item sets and sequences that one export writes and refers to.
#ifndef CARMASEQ_EXPORT_REFERENCEINDEX_H_
#define CARMASEQ_EXPORT_REFERENCEINDEX_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <unordered_map>
#include <vector>

#include "export/AddressNumbers.h"
#include "foundation/Visibility.h"
#include "sequence/KeyItemSets.h"
#include "sequence/NTSequence.h"

namespace SEQUENCE_NAMESPACE_800 {

class Sequence;
class TimedItemSet;

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
  bool operator()(ItemSpan a, ItemSpan b) const {
    return std::lexicographical_compare(a.items, a.items + a.count, b.items, b.items + b.count);
  }
};

// Hashing and equality of item spans by their items.
struct ItemSpanHash {
  // FNV-1a, one item at a time.
  std::size_t operator()(ItemSpan span) const {
    std::uint64_t hash = 14695981039346656037ull;
    for (std::int32_t i = 0; i < span.count; ++i) {
      hash ^= static_cast<std::uint32_t>(span.items[i]);
      hash *= 1099511628211ull;
    }
    return static_cast<std::size_t>(hash ^ (hash >> 32));
  }
};
struct ItemSpanEqual {
  bool operator()(ItemSpan a, ItemSpan b) const {
    return a.count == b.count && std::equal(a.items, a.items + a.count, b.items);
  }
};

// Three ordered maps of one export, filled in two phases:
//  1. The Add functions collect keys; nothing is ordered or numbered yet.
//  2. AssignNumbers enters the collected keys into the maps (an equal key is held once) and
//     numbers the keys of each map 1, 2, 3, ... in key order:
//       - items ascending by id;
//       - item sets in the TimedItemSet order (times play no part);
//       - sequences in the Sequence order (set by set, a proper prefix first), held as keys
//         (copies, or keys the caller keeps alive, see AddHeldSequence).
// The look-ups and the maps show the state of the last AssignNumbers: a key that was not held
// then (never added, or added since) gives -1.
//
// An export adds each reference many times and looks numbers up for every reference it writes,
// so adding only appends to a list, AssignNumbers sorts each list once, and look-ups go through
// hash indexes over the maps' keys.
//
// The index owns copies of everything added to it, except keys added with AddHeldSequence. Not
// copyable. Not thread-safe.
class CARMASEQ_EXPORT ReferenceIndex {
 public:
  using ItemMap = std::map<std::int32_t, std::int32_t>;
  using ItemSetMap = std::map<std::vector<std::int32_t>, std::int32_t, ItemSetLess>;
  // The sequence keys in key order; the number of a key is its position plus one.
  using SequenceList = std::vector<const NTSequence*>;

  ReferenceIndex() = default;
  ReferenceIndex(const ReferenceIndex&) = delete;
  ReferenceIndex& operator=(const ReferenceIndex&) = delete;
  ~ReferenceIndex() = default;

  void AddItem(std::int32_t item);
  // REQUIRES: items ascending and duplicate-free.
  void AddItemSet(ItemSpan items);
  void AddItemSet(const TimedItemSet& set);
  // Adds a copy of key and returns it; the copy lives as long as the index. REQUIRES: key holds
  // at most 31 items.
  const NTSequence* AddSequence(const NTSequence& key);
  // Adds *key without copying it (for keys a dictionary holds). REQUIRES: *key outlives the index
  // and does not change.
  void AddHeldSequence(const NTSequence* key);
  // The sequence is held as its key (times dropped). REQUIRES: at most 31 items.
  void AddSequence(const Sequence& sequence);

  // Enters the keys added since the last call and numbers every map's keys 1, 2, 3, ... in key
  // order.
  void AssignNumbers();

  // The number of a held key, or -1. Fastest for the keys AddHeldSequence was given and the
  // copies AddSequence returned.
  std::int32_t GetItemNumber(std::int32_t item) const;
  std::int32_t GetItemSetNumber(ItemSpan items) const;
  std::int32_t GetItemSetNumber(const TimedItemSet& set) const;
  std::int32_t GetSequenceNumber(const NTSequence& key) const;
  std::int32_t GetSequenceNumber(const Sequence& sequence) const;

  const ItemMap& Items() const { return items_; }
  const ItemSetMap& ItemSets() const { return itemSets_; }
  const SequenceList& Sequences() const { return sequences_; }

  // The number of sequences an export reports: the size of the sequence map unless
  // SetNumberOfSequences gave another count (the lattice export counts held sequences instead
  // of filling the map).
  std::int32_t GetNumberOfSequences() const;
  // REQUIRES: count >= 0.
  void SetNumberOfSequences(std::int32_t count);

 private:
  void EnterPendingItemSets();
  void EnterPendingSequences();
  // REQUIRES: items_ holds every item of the pending sequences.
  void SortByContent(SequenceList* keys) const;
  void BuildHashIndexes();

  ItemMap items_;
  ItemSetMap itemSets_;
  SequenceList sequences_;
  std::int32_t numberOfSequences_ = -1;  // -1: the size of sequences_

  // Added since the last AssignNumbers. Item sets are stored back to back, each as its item
  // count followed by its items.
  std::vector<std::int32_t> pendingItems_;
  std::vector<std::int32_t> pendingItemSets_;
  std::vector<const NTSequence*> pendingSequences_;
  std::deque<NTSequence> copies_;  // the keys added as copies; never relocated

  // Rebuilt by AssignNumbers; they point at the maps' keys, whose nodes never move, and at the
  // sequence keys.
  std::unordered_map<std::int32_t, std::int32_t> itemNumbers_;
  std::unordered_map<ItemSpan, std::int32_t, ItemSpanHash, ItemSpanEqual> itemSetNumbers_;
  // The number of every sequence key given to the index, by the key's address.
  AddressNumbers keyNumbers_;
};

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_EXPORT_REFERENCEINDEX_H_
