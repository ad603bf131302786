// The normalised sequence key: the form in which the dictionary stores, hashes, orders and
// compares sequences.
#ifndef CARMASEQ_SEQUENCE_NTSEQUENCE_H_
#define CARMASEQ_SEQUENCE_NTSEQUENCE_H_

#include <cstdint>
#include <fstream>
#include <iosfwd>
#include <memory>

#include "foundation/Visibility.h"

namespace SEQUENCE_NAMESPACE_800 {

class Sequence;

// A compact carrier of the five values of a key; see NTSequence::reuseAs. Does not own items.
struct CARMASEQ_EXPORT PackedSequence {
  std::int32_t size = 0;   // number of items
  std::int32_t nSets = 0;  // number of item sets
  std::int32_t hashCode = 0;
  std::int32_t pattern = 0;
  const std::int32_t* items = nullptr;  // size items, set after set
};

// Invariants:
//  - items holds the items of set 0, then set 1, ...; within a set ascending (when built from a
//    Sequence; the other builders keep the order they are given).
//  - pattern has one bit per item: the first item is bit size-1, the last item bit 0; a bit is 1
//    iff that item ends its set. A non-empty key has an odd pattern with nSets one bits.
//  - hash code is kept current by every operation that changes the key.
//  - An empty key has size 0, nSets 0, pattern 0 and hash 0.
//  - Stored and ordered keys hold at most 31 items. Longer keys (look-ups only) keep just the
//    lowest 32 pattern bits; every operation on them stays within the item array, but their set
//    boundaries, order and hash carry no meaning.
// The key owns its item array, except a key that a table builds in its own entry storage (see
// HashtableSQPair), whose items live next to it; such a key moves its items to an array of its
// own when it is rebuilt. Copyable (a copy always owns its items).
class CARMASEQ_EXPORT NTSequence {
 public:
  // Empty key with room for 32 items.
  NTSequence();
  // All item sets of *s, times dropped.
  explicit NTSequence(const Sequence* s);
  // The first Length(s) - drop item sets of s; empty when that count is not positive.
  // REQUIRES: drop >= 0.
  NTSequence(const Sequence& s, int drop);
  // n sets; sets[k] is a counted array: element 0 the item count c, elements 1..c the items.
  NTSequence(int** sets, int n);
  // One set from a counted array (at least one item).
  explicit NTSequence(int* set);
  // The extension of base by item at slot: odd slot 2k+1 inserts {item} as new set k; even slot
  // 2k adds item, in ascending place, to set k.
  NTSequence(const NTSequence& base, int item, int slot);
  NTSequence(const NTSequence& other);
  NTSequence& operator=(const NTSequence& other);
  ~NTSequence();

  // Rebuild in place; the item array is reallocated only when the size changes.
  void reuseAs(int** sets, int n);
  void reuseAs(const Sequence* s);
  // Copies the five values verbatim (the hash is taken, not recomputed).
  void reuseAs(const PackedSequence* packed);

  // Makes this key source without the item at flat position index. Returns true iff that item
  // was alone in its set (so the set was removed). An index at or beyond source's size copies
  // source. REQUIRES: this key's item array has room for the result (e.g. this is a copy of
  // source); index >= 0.
  bool removeItem(int index, const NTSequence* source);
  // Appends item as a new one-item set at the end.
  void addItemAfterLast(int item);
  // Inserts item into set setIndex before the first greater item.
  // REQUIRES: at least one set; item not yet in that set.
  void addItemToSet(int item, int setIndex);

  std::int32_t size() const { return size_; }
  std::int32_t getNSets() const { return nSets_; }
  std::int32_t getPattern() const { return pattern_; }
  std::int32_t HashCode() const { return hashCode_; }
  // The flat item array (size() items).
  const std::int32_t* items() const { return items_.get(); }

  // Flat position of the first occurrence of item, or -1.
  int getItemIndex(int item) const;
  // Number of items in set setIndex; 0 for a set at or beyond nSets.
  int getSizeOfSet(int setIndex) const;
  // The item at position within set setIndex; 0 when there is no such set or position.
  int getItemInSet(int position, int setIndex) const;
  // Writes set setIndex's items to out (room for getSizeOfSet(setIndex)); nothing when absent.
  void getSetAsArray(int setIndex, int* out) const;
  // A new Sequence with one item set per set; set k gets time k+1. Caller owns the result.
  Sequence* createSequence() const;

  // Equal hash codes, patterns, sizes and items.
  bool operator==(const NTSequence& other) const;
  bool operator!=(const NTSequence& other) const { return !(*this == other); }
  // The Sequence order (set by set, a proper prefix first) computed on the flat form.
  bool operator<(const NTSequence& other) const;

  // Debug print: "HashCode  " hash, "Pattern  " pattern, then "<(..)(..)>".
  void display(std::ostream& os) const;

  // Returns the hash code that a key with these size items and this pattern keeps.
  static std::int32_t ComputeHashCode(const std::int32_t* items, std::int32_t size,
                                      std::int32_t pattern);

  // Object-XML and binary persistence; return the counts of written/read values or bytes.
  size_t writeObjectXML(std::ostream& os) const;
  size_t readObjectXML(std::ifstream& is);
  size_t writeObject(std::fstream& fs) const;
  size_t readObject(std::fstream& fs);

 private:
  friend class HashtableSQPair;

  // A copy of source whose items are written to storage (room for source.size() items), which
  // the key uses but does not own: the caller releases it after the key.
  NTSequence(const NTSequence& source, std::int32_t* storage);
  // Makes items (capacity items long) the key's own item array, releasing the old one if owned.
  void adoptItems(std::unique_ptr<std::int32_t[]> items, std::int32_t capacity);
  // Makes the item array hold exactly n items, reallocating only when n differs from size_.
  // The old items are not kept.
  void resizeItems(std::int32_t n);
  // Makes the item array hold at least n items, keeping the first size_ items.
  void reserveItems(std::int32_t n);
  // Counted sets to items, pattern and set count; sets with no items are skipped.
  void buildFromCountedSets(int** sets, int n);
  // The first nSets sets of *s; empty sets are skipped.
  void buildFromSequence(const Sequence& s, std::int32_t nSets);
  // Flat positions [*begin, *end) of set setIndex. Returns false iff there is no such set.
  bool findSet(int setIndex, std::int32_t* begin, std::int32_t* end) const;
  void computeHashCode() { hashCode_ = ComputeHashCode(items_.get(), size_, pattern_); }

  std::int32_t size_ = 0;
  std::int32_t nSets_ = 0;
  std::int32_t hashCode_ = 0;
  std::int32_t pattern_ = 0;
  std::unique_ptr<std::int32_t[]> items_;
  std::int32_t capacity_ = 0;  // length of the item array, at least size_
  bool borrowed_ = false;      // items_ is not owned (table entry storage)
};

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_SEQUENCE_NTSEQUENCE_H_
