// The chained hash table from sequence keys to counters that holds one level of the dictionary.
#ifndef CARMASEQ_SEQUENCE_HASHTABLESQPAIR_H_
#define CARMASEQ_SEQUENCE_HASHTABLESQPAIR_H_

#include <cstdint>
#include <fstream>
#include <iosfwd>

#include "foundation/Visibility.h"

namespace SEQUENCE_NAMESPACE_800 {

class EntryPool;
class LinkChunks;
class NTSequence;
class SequenceCounter;
class HashtableSQPair;

// A stored entry: the key and its counter (which may be null).
struct CARMASEQ_EXPORT ISQCPair {
  NTSequence* key;
  SequenceCounter* value;
};

// A chain node: the entry and the next node of its bucket.
struct CARMASEQ_EXPORT SQCPairNode : ISQCPair {
  SQCPairNode* next;
};

namespace QxSequence {

// Walks a table bucket by bucket from index 0, each chain from its head. At the end the node is
// null and the bucket index equals the capacity. Advance an iterator past an entry before
// removing that entry; the table's removal rule then neither repeats nor skips an entry.
class CARMASEQ_EXPORT iterator {
 public:
  iterator() = default;
  iterator(const HashtableSQPair* table, SQCPairNode* node, std::int32_t bucket)
      : table_(table), node_(node), bucket_(bucket) {}

  const ISQCPair& operator*() const { return *node_; }
  const ISQCPair* operator->() const { return node_; }
  iterator& operator++();
  iterator operator++(int);
  // Equal iff table, node and bucket index agree.
  bool operator==(const iterator& other) const {
    return table_ == other.table_ && node_ == other.node_ && bucket_ == other.bucket_;
  }
  bool operator!=(const iterator& other) const { return !(*this == other); }

 private:
  const HashtableSQPair* table_ = nullptr;
  SQCPairNode* node_ = nullptr;
  std::int32_t bucket_ = 0;
};

}  // namespace QxSequence

// Chain invariants:
//  - A key's bucket is its hash code modulo capacity, taken on the hash as an unsigned 32-bit
//    value; for every hash but the most negative one this equals the signed remainder, and the
//    most negative one (whose absolute value overflows) lands in bucket 2^31 mod capacity.
//  - Insertion pushes a node at the head of its bucket; growth (capacity*2+1) happens before the
//    node is linked when size+1 exceeds threshold = trunc(float(capacity) * 0.75f + 0.5f).
//  - Removal moves the bucket head's entry into the removed node and unlinks the head.
// The table owns every key and counter stored in it; a rejected put leaves ownership with the
// caller. A stored key must not change while the table holds it (its bucket and the hash code
// kept in its node would go stale). Chain nodes, and the keys and counters that putOverwriteCopy
// makes, live in storage the table keeps for its entries (one block per key with its counter and
// items, no heap header each); removing, overwriting, clearing or destroying releases them as
// it deletes the objects put. Not copyable. Not thread-safe.
class CARMASEQ_EXPORT HashtableSQPair {
 public:
  // REQUIRES: initialCapacity > 0.
  explicit HashtableSQPair(int initialCapacity = 89);
  HashtableSQPair(const HashtableSQPair&) = delete;
  HashtableSQPair& operator=(const HashtableSQPair&) = delete;
  virtual ~HashtableSQPair();

  // Returns false and changes nothing when an equal key is stored (the caller keeps both
  // objects). Otherwise stores the pair, taking ownership, and returns true.
  bool put(NTSequence* key, SequenceCounter* counter);
  // Like put, but an equal stored key is replaced together with its counter; the old objects
  // are deleted unless they are the very objects passed in.
  void putOverwrite(NTSequence* key, SequenceCounter* counter);
  // Like putOverwrite of a new copy of key and, when counter is not null, a new counter with
  // counter's count, ordinalOfEntry and maxMissed that takes over counter's statistics bucket and
  // adjacency set (counter keeps neither); both are made in the table's entry storage. The
  // caller keeps key and counter. Throws std::bad_alloc when memory runs out (nothing changes).
  void putOverwriteCopy(const NTSequence& key, SequenceCounter* counter);
  // Takes ownership of pairs (allocated with std::malloc; may be null): the array of lattice
  // links that counters of this table's entries view (SequenceCounter::viewAdjacentItems).
  // Releases the array held before and the links kept by the readers, which no counter may view
  // any more. clear and the destructor release the array after the entries.
  void replaceLinkStorage(void* pairs);
  // The stored entry for an equal key, or null.
  const ISQCPair* get(const NTSequence* key) const;
  // found[i] = get(keys[i]) for i < n. Faster than n calls of get on a table too large for
  // the caches: the memory accesses of the look-ups are started together and overlap.
  // REQUIRES: n >= 0; keys[0..n) not null.
  void getMany(const NTSequence* const* keys, int n, const ISQCPair** found) const;
  // Hints for a put or get of key coming soon, on a table too large for the caches; neither
  // changes anything. prefetchBucket asks for the key's chain head; prefetchChain, once that has
  // arrived, for the node it points to.
  void prefetchBucket(const NTSequence& key) const;
  void prefetchChain(const NTSequence& key) const;
  bool containsKey(const NTSequence* key) const { return get(key) != nullptr; }
  // Removes and deletes the entry with an equal key, if any. key may be the stored key itself.
  void remove(NTSequence* key);
  // Deletes every entry; capacity and threshold stay.
  void clear();

  std::int32_t getSize() const { return size_; }
  std::int32_t getCapacity() const { return capacity_; }
  // The first node of bucket b's chain, or null. REQUIRES: 0 <= b < getCapacity().
  const SQCPairNode* bucketHead(std::int32_t b) const { return buckets_[b]; }
  std::int32_t getThreshold() const { return threshold_; }

  QxSequence::iterator begin() const;
  QxSequence::iterator end() const { return QxSequence::iterator(this, nullptr, capacity_); }

  // Debug print of every bucket index to standard output.
  void display() const;
  // Prints a histogram of chain lengths; returns the mean length of the non-empty chains.
  double freqTable() const;

  // Object-XML and binary persistence; return the counts of written/read values or bytes.
  size_t writeObjectXML(std::ostream& os) const;
  size_t readObjectXML(std::ifstream& is);
  size_t writeObject(std::fstream& fs) const;
  size_t readObject(std::fstream& fs);

 protected:
  std::int32_t hashedKey(const NTSequence* key) const;
  // The first node from node on along its chain whose key equals key, or null.
  SQCPairNode* findInBucket(SQCPairNode* node, const NTSequence* key) const;
  void rehash();

 private:
  friend class QxSequence::iterator;

  // Links a new node at the head of key's bucket, growing first when needed; flags tell how
  // key and counter are stored (see HashtableSQPair.cpp).
  void insertNew(NTSequence* key, SequenceCounter* counter, unsigned flags);
  // The readers' step after storing an entry read: its counter's links move into readLinks_,
  // which the counter then views (left as they are when memory runs out).
  void keepLinksRead(const NTSequence& key);

  SQCPairNode** buckets_ = nullptr;  // owned array of capacity_ chain heads
  std::int32_t capacity_ = 0;
  std::int32_t size_ = 0;
  std::int32_t threshold_ = 0;
  float loadFactor_ = 0.75f;
  EntryPool* pool_ = nullptr;        // owned; nodes and entry blocks
  void* links_ = nullptr;            // owned (std::malloc); see replaceLinkStorage
  LinkChunks* readLinks_ = nullptr;  // owned, made on first use; see keepLinksRead
};

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_SEQUENCE_HASHTABLESQPAIR_H_
