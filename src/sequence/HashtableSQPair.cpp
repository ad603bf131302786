#include "sequence/HashtableSQPair.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <limits>
#include <memory>
#include <new>

#include "foundation/Prefetch.h"
#include "foundation/Resident.h"
#include "sequence/EntryPool.h"
#include "sequence/LinkChunks.h"
#include "sequence/NTSequence.h"
#include "sequence/SequenceCounter.h"

namespace SEQUENCE_NAMESPACE_800 {

namespace {

// Key equality as NTSequence::operator==, inlined here because it runs once per chain node on
// every look-up. The cheap fields go first: most unequal keys already differ in their hash.
inline bool SameKey(const NTSequence& a, const NTSequence& b) {
  if (a.HashCode() != b.HashCode() || a.getPattern() != b.getPattern() || a.size() != b.size()) {
    return false;
  }
  const std::int32_t n = a.size();
  return n == 0 ||
         std::memcmp(a.items(), b.items(), static_cast<size_t>(n) * sizeof(std::int32_t)) == 0;
}

inline std::int32_t BucketOf(std::int32_t hash, std::int32_t capacity) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(hash) %
                                   static_cast<std::uint32_t>(capacity));
}

inline std::int32_t ThresholdOf(std::int32_t capacity, float loadFactor) {
  // Two separate float roundings; a fused multiply-add could move a threshold by one.
  volatile float product = static_cast<float>(capacity) * loadFactor;
  const float sum = product + 0.5f;
  return static_cast<std::int32_t>(sum);
}

// Every node of a table is a HashedNode, made in the table's pool: the key's hash code kept next
// to the chain link lets a look-up pass over the other keys of a chain without loading them; the
// flags say which of key and counter live in an entry block of the pool (see below) rather than
// on the heap.
struct HashedNode : SQCPairNode {
  std::int32_t hash;
  std::uint16_t flags;
  std::uint16_t blockItems;  // the items of the key the block was made for
};

constexpr unsigned kKeyInBlock = 1;       // key is constructed in an entry block
constexpr unsigned kCounterInBlock = 2;   // counter is constructed in an entry block
constexpr unsigned kBlockHasCounter = 4;  // the entry block has room for a counter

// An entry block: the key, then (with room for one) the counter, then the key's items. A block
// whose key or counter is replaced by a heap object (putOverwrite with one of the very objects
// stored) lives on until both of its objects are released.
constexpr std::size_t RoundUp(std::size_t bytes) {
  return (bytes + EntryPool::kAlign - 1) / EntryPool::kAlign * EntryPool::kAlign;
}
constexpr std::size_t kCounterOffset = RoundUp(sizeof(NTSequence));
constexpr std::size_t ItemsOffset(bool hasCounter) {
  return kCounterOffset + (hasCounter ? RoundUp(sizeof(SequenceCounter)) : 0);
}
constexpr std::size_t BlockBytes(bool hasCounter, std::size_t items) {
  return RoundUp(ItemsOffset(hasCounter) + items * sizeof(std::int32_t));
}
static_assert(alignof(SequenceCounter) <= EntryPool::kAlign, "counter alignment");
static_assert(alignof(HashedNode) <= EntryPool::kAlign, "node alignment");

inline HashedNode* Hashed(SQCPairNode* node) { return static_cast<HashedNode*>(node); }

inline SQCPairNode* FindNode(SQCPairNode* node, const NTSequence& key) {
  const std::int32_t hash = key.HashCode();
  for (; node != nullptr; node = node->next) {
    if (Hashed(node)->hash == hash && SameKey(*node->key, key)) return node;
  }
  return nullptr;
}

void ReleaseKey(EntryPool& pool, HashedNode* node) {
  if ((node->flags & kKeyInBlock) == 0) {
    delete node->key;
    return;
  }
  void* block = node->key;
  node->key->~NTSequence();
  node->flags &= ~kKeyInBlock;
  if ((node->flags & kCounterInBlock) == 0) {
    pool.Free(block, BlockBytes((node->flags & kBlockHasCounter) != 0, node->blockItems));
  }
}

void ReleaseCounter(EntryPool& pool, HashedNode* node) {
  if ((node->flags & kCounterInBlock) == 0) {
    delete node->value;
    return;
  }
  void* block = reinterpret_cast<char*>(node->value) - kCounterOffset;
  node->value->~SequenceCounter();
  node->flags &= ~kCounterInBlock;
  if ((node->flags & kKeyInBlock) == 0) pool.Free(block, BlockBytes(true, node->blockItems));
}

void DeleteEntry(EntryPool& pool, HashedNode* node) {
  ReleaseKey(pool, node);
  ReleaseCounter(pool, node);
}

}  // namespace

namespace QxSequence {

iterator& iterator::operator++() {
  if (node_ == nullptr) return *this;
  if (node_->next != nullptr) {
    node_ = node_->next;
    return *this;
  }
  const std::int32_t capacity = table_->capacity_;
  SQCPairNode* const* buckets = table_->buckets_;
  std::int32_t b = bucket_ + 1;
  while (b < capacity && buckets[b] == nullptr) ++b;
  bucket_ = b;
  node_ = b < capacity ? buckets[b] : nullptr;
  return *this;
}

iterator iterator::operator++(int) {
  iterator before = *this;
  ++*this;
  return before;
}

}  // namespace QxSequence

HashtableSQPair::HashtableSQPair(int initialCapacity)
    : capacity_(initialCapacity > 0 ? initialCapacity : 1) {
  auto pool = std::make_unique<EntryPool>();
  buckets_ = new SQCPairNode*[capacity_]();
  pool_ = pool.release();
  threshold_ = ThresholdOf(capacity_, loadFactor_);
}

HashtableSQPair::~HashtableSQPair() {
  clear();
  delete[] buckets_;
  delete pool_;
  delete readLinks_;
}

std::int32_t HashtableSQPair::hashedKey(const NTSequence* key) const {
  return BucketOf(key->HashCode(), capacity_);
}

SQCPairNode* HashtableSQPair::findInBucket(SQCPairNode* node, const NTSequence* key) const {
  return FindNode(node, *key);
}

const ISQCPair* HashtableSQPair::get(const NTSequence* key) const {
  return FindNode(buckets_[BucketOf(key->HashCode(), capacity_)], *key);
}

// A look-up misses the caches several times in a row: chain head, node (and the next nodes
// while their hash differs), key, items. The look-ups here run as a pipeline: at each step one
// look-up starts (prefetching its chain head) while earlier ones, kDistance steps apart, each
// prefetch their next piece and the oldest one finishes. The misses of different look-ups so
// overlap, and each piece has had kDistance steps to arrive before it is read.
void HashtableSQPair::getMany(const NTSequence* const* keys, int n, const ISQCPair** found) const {
  constexpr int kDistance = 8;
  constexpr int kChunk = 64;
  constexpr int kAdvances = 3;  // prefetch steps after the first node's
  struct Pending {
    SQCPairNode* const* slot;
    SQCPairNode* head;
    SQCPairNode* candidate;  // the node being fetched, or whose key is
    bool keyFetched;         // candidate's hash matched: its key (then items) were asked for
  };
  Pending pending[kChunk];
  // Asks for what look-up `p` of `key` reads next.
  const auto advance = [](Pending& p, const NTSequence& key) {
    if (p.candidate == nullptr) return;
    if (p.keyFetched) {
      Prefetch(p.candidate->key->items());
    } else if (Hashed(p.candidate)->hash == key.HashCode()) {
      Prefetch(p.candidate->key);
      p.keyFetched = true;
    } else {
      p.candidate = p.candidate->next;
      if (p.candidate != nullptr) Prefetch(p.candidate);
    }
  };
  for (int first = 0; first < n; first += kChunk) {
    const int m = n - first < kChunk ? n - first : kChunk;
    const NTSequence* const* chunk = keys + first;
    for (int t = 0; t < m + (kAdvances + 2) * kDistance; ++t) {
      if (t < m) {
        pending[t].slot = &buckets_[BucketOf(chunk[t]->HashCode(), capacity_)];
        Prefetch(pending[t].slot);
      }
      int j = t - kDistance;
      if (j >= 0 && j < m) {
        Pending& p = pending[j];
        p.head = p.candidate = *p.slot;
        p.keyFetched = false;
        if (p.head != nullptr) Prefetch(p.head);
      }
      for (int a = 0; a < kAdvances; ++a) {
        j -= kDistance;
        if (j >= 0 && j < m) advance(pending[j], *chunk[j]);
      }
      j -= kDistance;
      if (j >= 0 && j < m) found[first + j] = FindNode(pending[j].head, *chunk[j]);
    }
  }
}

void HashtableSQPair::prefetchBucket(const NTSequence& key) const {
  Prefetch(&buckets_[BucketOf(key.HashCode(), capacity_)]);
}

void HashtableSQPair::prefetchChain(const NTSequence& key) const {
  const SQCPairNode* head = buckets_[BucketOf(key.HashCode(), capacity_)];
  if (head != nullptr) Prefetch(head);
}

bool HashtableSQPair::put(NTSequence* key, SequenceCounter* counter) {
  if (FindNode(buckets_[BucketOf(key->HashCode(), capacity_)], *key) != nullptr) return false;
  insertNew(key, counter, 0);
  return true;
}

void HashtableSQPair::putOverwrite(NTSequence* key, SequenceCounter* counter) {
  SQCPairNode* node = FindNode(buckets_[BucketOf(key->HashCode(), capacity_)], *key);
  if (node == nullptr) {
    insertNew(key, counter, 0);
    return;
  }
  HashedNode* stored = Hashed(node);
  if (stored->key != key) {
    ReleaseKey(*pool_, stored);
    stored->key = key;
  }
  if (stored->value != counter) {
    ReleaseCounter(*pool_, stored);
    stored->value = counter;
  }
}

void HashtableSQPair::putOverwriteCopy(const NTSequence& key, SequenceCounter* counter) {
  const bool hasCounter = counter != nullptr;
  // Gives `to` the numbers of `from` and moves its bucket and adjacency set over. Cannot fail.
  const auto move = [](SequenceCounter* from, SequenceCounter* to) {
    to->count_ = from->count_;
    to->ordinalOfEntry_ = from->ordinalOfEntry_;
    to->maxMissed_ = from->maxMissed_;
    to->statistics_ = from->statistics_;
    from->statistics_ = nullptr;
    to->adjacent_.swap(from->adjacent_);
    to->hasAdjacent_ = from->hasAdjacent_;
    from->hasAdjacent_ = false;
  };
  // Links the counter only views (in its own table's link array) are copied first: this table
  // cannot keep that array alive.
  if (hasCounter) counter->adjacent_.makeOwn();
  const std::int32_t n = key.size();
  if (ItemsOffset(hasCounter) + static_cast<std::size_t>(n) * sizeof(std::int32_t) >
      EntryPool::kMaxBlock) {
    // Too long for a block (longer than any key a dictionary holds): heap objects.
    auto copy = std::make_unique<NTSequence>(key);
    std::unique_ptr<SequenceCounter> fresh;
    if (hasCounter) {
      fresh = std::make_unique<SequenceCounter>();
      move(counter, fresh.get());
    }
    try {
      putOverwrite(copy.get(), fresh.get());
    } catch (...) {
      if (hasCounter) move(fresh.get(), counter);
      throw;
    }
    copy.release();
    fresh.release();
    return;
  }
  // Everything that can fail comes first, so that a failure changes nothing.
  const std::size_t bytes = BlockBytes(hasCounter, static_cast<std::size_t>(n));
  char* block = static_cast<char*>(pool_->Allocate(bytes));
  HashedNode* existing = Hashed(FindNode(buckets_[BucketOf(key.HashCode(), capacity_)], key));
  HashedNode* node = existing;
  if (node == nullptr) {
    try {
      node = static_cast<HashedNode*>(pool_->Allocate(sizeof(HashedNode)));
      try {
        if (size_ + 1 > threshold_) rehash();
      } catch (...) {
        pool_->Free(node, sizeof(HashedNode));
        throw;
      }
    } catch (...) {
      pool_->Free(block, bytes);
      throw;
    }
  }
  // The new objects are made before the old ones go: key or counter may be the stored ones.
  auto* items = reinterpret_cast<std::int32_t*>(block + ItemsOffset(hasCounter));
  NTSequence* storedKey = new (block) NTSequence(key, items);
  SequenceCounter* storedCounter = nullptr;
  if (hasCounter) {
    storedCounter = new (block + kCounterOffset) SequenceCounter();
    move(counter, storedCounter);
  }
  const auto flags = static_cast<std::uint16_t>(
      kKeyInBlock | (hasCounter ? kCounterInBlock | kBlockHasCounter : 0u));
  if (existing != nullptr) {
    DeleteEntry(*pool_, existing);
    existing->key = storedKey;
    existing->value = storedCounter;
    existing->flags = flags;
    existing->blockItems = static_cast<std::uint16_t>(n);
    return;
  }
  node = new (node) HashedNode{
      {{storedKey, storedCounter}, nullptr}, key.HashCode(), flags, static_cast<std::uint16_t>(n)};
  const std::int32_t b = BucketOf(node->hash, capacity_);
  node->next = buckets_[b];
  buckets_[b] = node;
  ++size_;
}

void HashtableSQPair::insertNew(NTSequence* key, SequenceCounter* counter, unsigned flags) {
  // Allocate first: if memory runs out, nothing is linked and the caller keeps both objects.
  void* memory = pool_->Allocate(sizeof(HashedNode));
  try {
    if (size_ + 1 > threshold_) rehash();
  } catch (...) {
    pool_->Free(memory, sizeof(HashedNode));
    throw;
  }
  auto* node = new (memory)
      HashedNode{{{key, counter}, nullptr}, key->HashCode(), static_cast<std::uint16_t>(flags), 0};
  const std::int32_t b = BucketOf(node->hash, capacity_);
  node->next = buckets_[b];
  buckets_[b] = node;
  ++size_;
}

void HashtableSQPair::rehash() {
  if (capacity_ > (std::numeric_limits<std::int32_t>::max() - 1) / 2) return;
  const std::int32_t newCapacity = capacity_ * 2 + 1;
  SQCPairNode** fresh = new SQCPairNode*[newCapacity];
  MakeResident(fresh, sizeof(SQCPairNode*) * static_cast<std::size_t>(newCapacity));
  std::fill(fresh, fresh + newCapacity, nullptr);
  // Old buckets from 0 upwards, each chain from its head; every node goes to the head of its new
  // bucket. The resulting chain order is part of the visiting order.
  for (std::int32_t i = 0; i < capacity_; ++i) {
    SQCPairNode* node = buckets_[i];
    while (node != nullptr) {
      SQCPairNode* next = node->next;
      const std::int32_t b = BucketOf(Hashed(node)->hash, newCapacity);
      node->next = fresh[b];
      fresh[b] = node;
      node = next;
    }
  }
  delete[] buckets_;
  buckets_ = fresh;
  capacity_ = newCapacity;
  threshold_ = ThresholdOf(capacity_, loadFactor_);
}

void HashtableSQPair::remove(NTSequence* key) {
  // key may be the stored key: everything needed from it is read before it is deleted.
  const std::int32_t b = BucketOf(key->HashCode(), capacity_);
  SQCPairNode* found = FindNode(buckets_[b], *key);
  if (found == nullptr) return;
  DeleteEntry(*pool_, Hashed(found));
  SQCPairNode* head = buckets_[b];
  if (found != head) {
    // The head's entry takes the removed entry's place in the chain.
    found->key = head->key;
    found->value = head->value;
    Hashed(found)->hash = Hashed(head)->hash;
    Hashed(found)->flags = Hashed(head)->flags;
    Hashed(found)->blockItems = Hashed(head)->blockItems;
  }
  buckets_[b] = head->next;
  pool_->Free(head, sizeof(HashedNode));
  --size_;
}

void HashtableSQPair::clear() {
  for (std::int32_t i = 0; i < capacity_; ++i) {
    SQCPairNode* node = buckets_[i];
    while (node != nullptr) {
      SQCPairNode* next = node->next;
      DeleteEntry(*pool_, Hashed(node));
      node = next;
    }
    buckets_[i] = nullptr;
  }
  size_ = 0;
  pool_->Release();  // every node and block is free now
  replaceLinkStorage(nullptr);
}

void HashtableSQPair::replaceLinkStorage(void* pairs) {
  std::free(links_);
  links_ = pairs;
  if (readLinks_ != nullptr) readLinks_->Release();
}

void HashtableSQPair::keepLinksRead(const NTSequence& key) {
  const ISQCPair* entry = get(&key);
  SequenceCounter* counter = entry == nullptr ? nullptr : entry->value;
  const AdjacentItemSet* links = counter == nullptr ? nullptr : counter->getAdjacentItems();
  if (links == nullptr || links->size() == 0 || links->isView()) return;
  if (readLinks_ == nullptr) readLinks_ = new (std::nothrow) LinkChunks();
  if (readLinks_ == nullptr) return;
  const std::size_t n = links->size();
  const AdjacentItemSet::value_type* kept = readLinks_->Append(links->begin(), n);
  if (kept != nullptr) counter->viewAdjacentItems(kept, n);  // frees the counter's own copy
}

QxSequence::iterator HashtableSQPair::begin() const {
  for (std::int32_t i = 0; i < capacity_; ++i) {
    if (buckets_[i] != nullptr) return QxSequence::iterator(this, buckets_[i], i);
  }
  return end();
}

void HashtableSQPair::display() const {
  for (std::int32_t i = 0; i < capacity_; ++i) std::cout << "Bucket " << i << " : " << '\n';
  std::cout << "End of Hashtable." << std::endl;
}

double HashtableSQPair::freqTable() const {
  constexpr int kBins = 100;
  std::int32_t tally[kBins] = {};
  for (std::int32_t i = 0; i < capacity_; ++i) {
    int length = 0;
    for (const SQCPairNode* node = buckets_[i]; node != nullptr && length < kBins - 1;
         node = node->next) {
      ++length;
    }
    ++tally[length];
  }
  double items = 0;
  double chains = 0;
  for (int bin = 0; bin < kBins; ++bin) {
    if (tally[bin] == 0) continue;
    std::cout << bin << " : " << tally[bin] << '\n';
    if (bin > 0) {
      items += static_cast<double>(bin) * tally[bin];
      chains += tally[bin];
    }
  }
  std::cout << "END OF TABLE" << std::endl;
  return chains == 0 ? 0.0 : items / chains;
}

}  // namespace SEQUENCE_NAMESPACE_800
