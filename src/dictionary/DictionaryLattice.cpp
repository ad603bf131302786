// The lattice: one-item extension links stored on the counters, and the walk that finds the held
// sequences occurring in a customer's history.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <set>
#include <utility>
#include <vector>

#include "dictionary/SequenceDictionary.h"
#include "foundation/MemoryGuard.h"
#include "foundation/Prefetch.h"
#include "foundation/Resident.h"
#include "sequence/HashtableSQPair.h"
#include "sequence/KeyItemSets.h"
#include "sequence/NTSequence.h"
#include "sequence/Sequence.h"
#include "sequence/SequenceCounter.h"
#include "sequence/TableWalk.h"
#include "sequence/TimedItemSet.h"

namespace SEQUENCE_NAMESPACE_800 {

namespace {

// A link waiting to be stored on its parent's counter, 12 bytes: the parent as its place among
// the counters of its level (its address less the lowest one, in units of the low address bits
// they all share) times 256 plus the position (below 256: stored keys hold at most 31 items),
// split into two 32-bit halves, then the item.
struct PendingLink {
  std::uint32_t low;
  std::uint32_t high;
  std::int32_t item;

  std::uint64_t Key() const { return (std::uint64_t{high} << 32) | low; }
};
constexpr int kPositionBits = 8;

// The addresses of a level's counters, taken as they are registered.
class AddressSpread {
 public:
  void Add(const SequenceCounter* counter) {
    const auto address = reinterpret_cast<std::uintptr_t>(counter);
    if (empty_) {
      empty_ = false;
      low_ = high_ = first_ = address;
    }
    low_ = std::min(low_, address);
    high_ = std::max(high_, address);
    differ_ |= address ^ first_;
  }

  std::uintptr_t low() const { return low_; }
  // The low address bits that every counter shares; 0 for fewer than two distinct counters.
  int commonLowBits() const {
    if (differ_ == 0) return 0;
    int bits = 0;
    while (((differ_ >> bits) & 1u) == 0) ++bits;
    return bits;
  }
  // The width in bits of (high - low) >> shift. REQUIRES: shift < 64.
  int width(int shift) const {
    int bits = 0;
    for (std::uintptr_t range = (high_ - low_) >> shift; range != 0; range >>= 1) ++bits;
    return bits;
  }

 private:
  bool empty_ = true;
  std::uintptr_t low_ = 0;
  std::uintptr_t high_ = 0;
  std::uintptr_t first_ = 0;
  std::uintptr_t differ_ = 0;  // the bits in which some counter differs from the first
};

// Orders the records of one level step by parent, then item, then position, in place, so that
// each parent's (item, position) pairs come out in the order its link set keeps. Two in-place
// radix passes on the parent's place, each into at most 2^kDigitBits buckets (few enough that
// the buckets' write positions stay in the cache): the first by its high bits (counted as
// records are added, about as many buckets as parents), the second within each bucket by the
// bits below; what is left in a bucket then is a few records, sorted by comparison.
class ParentSorter {
 public:
  // Starts a level step of `parents` parents whose places are `placeBits` bits wide.
  void Start(int placeBits, std::size_t parents) {
    const int digitBits = std::min(BitsFor(parents), placeBits);
    lowBits_ = placeBits - digitBits;
    counts_.assign(std::size_t{1} << digitBits, 0);
  }

  void Count(const PendingLink& link) { ++counts_[Place(link) >> lowBits_]; }

  // REQUIRES: each of the n records at links was counted since Start.
  void Sort(PendingLink* links, std::size_t n) {
    const int low = lowBits_;
    Distribute(links, counts_, ends_, [low](const PendingLink& link) {
      return static_cast<std::size_t>(Place(link) >> low);
    });
    std::size_t begin = 0;
    for (std::size_t d = 0; d < ends_.size() && begin < n; ++d) {
      SortBucket(links + begin, ends_[d] - begin);
      begin = ends_[d];
    }
  }

 private:
  static constexpr int kDigitBits = 10;
  static constexpr std::size_t kSmallBucket = 32;

  static std::uint64_t Place(const PendingLink& link) { return link.Key() >> kPositionBits; }

  // The digit bits for about n buckets: enough to tell n places apart, at most kDigitBits.
  static int BitsFor(std::size_t n) {
    int bits = 0;
    while (bits < kDigitBits && (std::size_t{1} << bits) < n) ++bits;
    return bits;
  }

  static bool Before(const PendingLink& a, const PendingLink& b) {
    const std::uint64_t keyA = a.Key(), keyB = b.Key();
    if ((keyA >> kPositionBits) != (keyB >> kPositionBits) || a.item == b.item) return keyA < keyB;
    return a.item < b.item;
  }

  // Permutes the records in place into buckets by digitOf, counts[d] records in bucket d, and
  // leaves the end of each bucket in ends.
  template <typename DigitOf>
  void Distribute(PendingLink* links, const std::vector<std::size_t>& counts,
                  std::vector<std::size_t>& ends, DigitOf digitOf) {
    // next_[d] is where the next record of digit d goes.
    const std::size_t digits = counts.size();
    next_.resize(digits);
    ends.resize(digits);
    std::size_t sum = 0;
    for (std::size_t d = 0; d < digits; ++d) {
      next_[d] = sum;
      sum += counts[d];
      ends[d] = sum;
    }
    // Each record is swapped straight into its bucket until the one arriving belongs here.
    for (std::size_t d = 0; d < digits; ++d) {
      while (next_[d] < ends[d]) {
        PendingLink& here = links[next_[d]];
        const std::size_t digit = digitOf(here);
        if (digit == d) {
          ++next_[d];
        } else {
          std::swap(here, links[next_[digit]++]);
        }
      }
    }
  }

  // Sorts the n records of a first-pass bucket, whose places agree above bit lowBits_.
  void SortBucket(PendingLink* links, std::size_t n) {
    const auto before = [](const PendingLink& a, const PendingLink& b) { return Before(a, b); };
    const int digitBits = std::min(BitsFor(n), lowBits_);
    if (n <= kSmallBucket || digitBits == 0) {
      std::sort(links, links + n, before);
      return;
    }
    const int low = lowBits_ - digitBits;
    const std::uint64_t mask = (std::uint64_t{1} << digitBits) - 1;
    const auto digitOf = [low, mask](const PendingLink& link) {
      return static_cast<std::size_t>((Place(link) >> low) & mask);
    };
    innerCounts_.assign(std::size_t{1} << digitBits, 0);
    for (std::size_t i = 0; i < n; ++i) ++innerCounts_[digitOf(links[i])];
    Distribute(links, innerCounts_, innerEnds_, digitOf);
    std::size_t begin = 0;
    for (const std::size_t end : innerEnds_) {
      if (end - begin > 1) std::sort(links + begin, links + end, before);
      begin = end;
    }
  }

  int lowBits_ = 0;
  std::vector<std::size_t> counts_;  // records per first digit
  std::vector<std::size_t> ends_;
  std::vector<std::size_t> next_;
  std::vector<std::size_t> innerCounts_;  // the same for the second pass, within one bucket
  std::vector<std::size_t> innerEnds_;
};

// Builds the links level by level, following each child's items in order: the parent without
// item p (removeItem) is looked up one level down and, when held with a counter, gets the link
// (item, 2s+1) if the item was alone in its set s, else (item, 2s).
//
// The work is arranged so that it costs little more than the look-ups themselves, which are
// dominated by cache misses, and so that the links of a level take little more memory while
// they are built than once stored:
//  - entries are taken from the table in chunks whose keys are prefetched before use;
//  - parent keys are made and looked up in batches (HashtableSQPair::getMany), so that the
//    misses of independent look-ups overlap;
//  - links are not inserted as they are found (each insertion would chase a parent's counter
//    and set at a random place): they are gathered per level step as 12-byte records in one
//    buffer, sorted there by parent, and rewritten in place as the parents' sorted (item,
//    position) pairs, 8 bytes each; the buffer, cut to the pairs, becomes the parents' table's
//    link array, which every parent's set views (one allocation per level, none per set).
class LatticeBuilder {
 public:
  LatticeBuilder() {
    for (int i = 0; i < kBatch; ++i) keyAddresses_[i] = &keys_[i];
  }
  LatticeBuilder(const LatticeBuilder&) = delete;
  LatticeBuilder& operator=(const LatticeBuilder&) = delete;
  ~LatticeBuilder() { std::free(records_); }

  // Gives every counter of `parents` an empty link set and learns where they lie; then
  // CollectLevel gathers the links to them, or ReleaseLinks ends a top level.
  void StartLevel(const HashtableSQPair& parents) {
    AddressSpread spread;
    std::size_t held = 0;
    WalkEntries(parents, [&](const ISQCPair& entry) {
      if (entry.value == nullptr) return;
      entry.value->viewAdjacentItems(nullptr, 0);
      spread.Add(entry.value);
      ++held;
    });
    low_ = spread.low();
    shift_ = spread.commonLowBits();
    sorter_.Start(spread.width(shift_), held);
  }

  // Registers every entry of `level` (whose keys have `items` items) under each of its held
  // parents in `parents`, the table given to StartLevel.
  void CollectLevel(const HashtableSQPair& level, int items, const HashtableSQPair& parents) {
    // Every item of every child makes at most one link. Pages of the buffer more than
    // kBackedAhead bytes past the last link gathered are never touched.
    count_ = 0;
    backed_ = 0;
    Reserve(static_cast<std::size_t>(level.getSize()) * items);
    auto it = level.begin();
    const auto end = level.end();
    while (it != end) {
      int n = 0;
      for (; it != end && n < kChunk; ++it) chunk_[n++] = &*it;
      for (int i = 0; i < n; ++i) Prefetch(chunk_[i]->key);
      for (int i = 0; i < n; ++i) Prefetch(chunk_[i]->key->items());
      for (int i = 0; i < n; ++i) CollectEntry(*chunk_[i], parents);
    }
    Flush(parents);
  }

  // Turns the gathered records into the parents' link array, hands it to `parents` (the table
  // given to StartLevel) and makes each parent's set view its pairs.
  void StoreLinks(HashtableSQPair& parents) {
    sorter_.Sort(records_, count_);
    // Rewrite in place: pair j (8 bytes at 8j) is written after record j (12 bytes at 12j) was
    // read, and never reaches a record not yet read.
    char* bytes = reinterpret_cast<char*>(records_);
    std::size_t out = 0;
    std::size_t i = 0;
    while (i < count_) {
      const std::uint64_t place = records_[i].Key() >> kPositionBits;
      const std::size_t first = out;
      for (; i < count_; ++i) {
        PendingLink link;
        std::memcpy(&link, bytes + i * sizeof(PendingLink), sizeof link);
        if (link.Key() >> kPositionBits != place) break;
        const AdjacentItemSet::value_type pair(
            link.item, static_cast<std::int32_t>(link.Key() & ((1u << kPositionBits) - 1)));
        std::memcpy(bytes + out * sizeof pair, &pair, sizeof pair);
        ++out;
      }
      auto* pairs = reinterpret_cast<AdjacentItemSet::value_type*>(bytes) + first;
      const std::size_t n = out - first;
      // Sorted already (see ParentSorter); two children can make the same link.
      out = first + static_cast<std::size_t>(std::unique(pairs, pairs + n) - pairs);
      Parent(place)->viewAdjacentItems(pairs, out - first);
    }
    // Where the pairs were viewed: realloc below may move them.
    const auto viewed = reinterpret_cast<std::uintptr_t>(bytes);
    void* array = nullptr;
    if (out > 0) {
      array = std::realloc(records_, out * sizeof(AdjacentItemSet::value_type));
      if (array == nullptr) array = records_;  // keeps the longer buffer
    } else {
      std::free(records_);
    }
    records_ = nullptr;
    capacity_ = 0;
    parents.replaceLinkStorage(array);
    if (array != nullptr && reinterpret_cast<std::uintptr_t>(array) != viewed) {
      Rebase(parents, viewed, out, array);
    }
  }

 private:
  static constexpr int kChunk = 128;
  static constexpr int kBatch = 64;
  static constexpr std::size_t kBackedAhead = 256 * 1024;

  // Makes the parents' sets that view pairs of the link array at `from` (n pairs, now moved to
  // `to`) view them at `to`. Only addresses are compared; nothing at `from` is read.
  static void Rebase(const HashtableSQPair& parents, std::uintptr_t from, std::size_t n,
                     const void* to) {
    const std::uintptr_t start = from;
    const auto* moved = static_cast<const AdjacentItemSet::value_type*>(to);
    for (auto it = parents.begin(); it != parents.end(); ++it) {
      SequenceCounter* parent = it->value;
      const AdjacentItemSet* set = parent == nullptr ? nullptr : parent->getAdjacentItems();
      if (set == nullptr || !set->isView()) continue;
      const std::uintptr_t at = reinterpret_cast<std::uintptr_t>(set->begin());
      const std::size_t index = (at - start) / sizeof(AdjacentItemSet::value_type);
      if (at < start || index >= n) continue;
      parent->viewAdjacentItems(moved + index, set->size());
    }
  }

  // Makes room for n records, keeping those gathered.
  void Reserve(std::size_t n) {
    if (n <= capacity_) return;
    void* grown = std::realloc(records_, n * sizeof(PendingLink));
    if (grown == nullptr) throw std::bad_alloc();
    records_ = static_cast<PendingLink*>(grown);
    // Nearly all of it is written: every item of a child makes a link unless that parent is
    // not held.
    AdviseHugePages(records_, n * sizeof(PendingLink));
    capacity_ = n;
    backed_ = std::min(backed_, count_);
  }

  // Has the buffer backed kBackedAhead bytes past the records gathered: they are written in
  // order, and a fault per page costs more than the writes. Pages never reached stay untouched.
  void BackAhead() {
    const std::size_t end = std::min(capacity_, count_ + kBackedAhead / sizeof(PendingLink));
    MakeResident(records_ + count_, (end - count_) * sizeof(PendingLink));
    backed_ = end;
  }

  SequenceCounter* Parent(std::uint64_t place) const {
    return reinterpret_cast<SequenceCounter*>(low_ +
                                              (static_cast<std::uintptr_t>(place) << shift_));
  }

  void CollectEntry(const ISQCPair& entry, const HashtableSQPair& parents) {
    const NTSequence* child = entry.key;
    const std::int32_t* items = child->items();
    int set = 0;  // index of the item set holding the items visited
    ForEachItemSet(*child, [&](ItemSpan span) {
      for (const std::int32_t* item = span.items; item != span.items + span.count; ++item) {
        if (pending_ == kBatch) Flush(parents);
        const bool alone = keys_[pending_].removeItem(static_cast<int>(item - items), child);
        items_[pending_] = *item;
        positions_[pending_] = alone ? 2 * set + 1 : 2 * set;
        ++pending_;
      }
      ++set;
    });
  }

  void Flush(const HashtableSQPair& parents) {
    const ISQCPair* found[kBatch];
    parents.getMany(keyAddresses_, pending_, found);
    for (int i = 0; i < pending_; ++i) {
      const ISQCPair* held = found[i];
      if (held == nullptr || held->value == nullptr) continue;
      const std::uint64_t place = (reinterpret_cast<std::uintptr_t>(held->value) - low_) >> shift_;
      const std::uint64_t key =
          (place << kPositionBits) | static_cast<std::uint64_t>(positions_[i]);
      // Only a table holding a key longer than its level (a document read as it was written)
      // makes more links than its keys' items.
      if (count_ == capacity_) Reserve(capacity_ + capacity_ / 2 + kBatch);
      if (count_ == backed_) BackAhead();
      PendingLink& link = records_[count_++];
      link = {static_cast<std::uint32_t>(key), static_cast<std::uint32_t>(key >> 32), items_[i]};
      sorter_.Count(link);
    }
    pending_ = 0;
  }

  const ISQCPair* chunk_[kChunk];
  // Parent keys of the current batch; removeItem rewrites them in place, so the walk allocates
  // nothing per item.
  NTSequence keys_[kBatch];
  const NTSequence* keyAddresses_[kBatch];  // &keys_[i], for the table's batched look-up
  std::int32_t items_[kBatch];
  std::int32_t positions_[kBatch];
  int pending_ = 0;
  std::uintptr_t low_ = 0;          // the parents' lowest address
  int shift_ = 0;                   // the low address bits every parent shares
  PendingLink* records_ = nullptr;  // owned (std::malloc); count_ records of the level step
  std::size_t count_ = 0;
  std::size_t capacity_ = 0;
  std::size_t backed_ = 0;  // records below this index have their pages backed
  ParentSorter sorter_;
};

void AppendCopy(std::vector<NTSequence*>& result, const NTSequence& key) {
  auto copy = std::make_unique<NTSequence>(key);
  result.push_back(copy.get());
  copy.release();
}

// The frequent-item view of a history: its item sets reduced to the items whose one-item
// sequence is held, sets left empty dropped, with an index of the sets each item occurs in.
class FrequentView {
 public:
  // REQUIRES: items ascending and not empty.
  void AddSet(std::vector<std::int32_t> items) {
    for (std::int32_t item : items) occurrences_.emplace_back(item, sets());
    sets_.push_back(std::move(items));
  }
  // Call once after the last AddSet.
  void Index() {
    std::sort(occurrences_.begin(), occurrences_.end());
    for (const auto& occurrence : occurrences_) {
      if (distinct_.empty() || distinct_.back() != occurrence.first) {
        distinct_.push_back(occurrence.first);
      }
    }
  }

  int sets() const { return static_cast<int>(sets_.size()); }
  int items() const { return static_cast<int>(occurrences_.size()); }
  const std::vector<std::int32_t>& newest() const { return sets_.back(); }
  // Every item of the view once, ascending.
  const std::vector<std::int32_t>& distinctItems() const { return distinct_; }

  bool Holds(int set, std::int32_t item) const {
    return std::binary_search(occurrences_.begin(), occurrences_.end(), std::make_pair(item, set));
  }
  // The latest set before `before` that holds item, or -1.
  int LatestBefore(int before, std::int32_t item) const {
    auto it =
        std::lower_bound(occurrences_.begin(), occurrences_.end(), std::make_pair(item, before));
    if (it == occurrences_.begin()) return -1;
    --it;
    return it->first == item ? it->second : -1;
  }

 private:
  std::vector<std::vector<std::int32_t>> sets_;
  std::vector<std::pair<std::int32_t, int>> occurrences_;  // (item, set), sorted by Index
  std::vector<std::int32_t> distinct_;
};

}  // namespace

QxCommon_940::QxStatus SequenceDictionary::buildLattice() {
  const QxStatus status = StatusOrOutOfMemory([&]() -> QxStatus {
    const int top = LargestSequence();
    auto builder = std::make_unique<LatticeBuilder>();
    if (numberOfLevels_ < 1) return QxStatus();
    for (int k = 1; k <= top; ++k) {
      builder->StartLevel(*levels_[k - 1]);
      builder->CollectLevel(*levels_[k], k, *levels_[k - 1]);
      builder->StoreLinks(*levels_[k - 1]);
    }
    // The top level: emptied sets only.
    builder->StartLevel(*levels_[top]);
    levels_[top]->replaceLinkStorage(nullptr);
    return QxStatus();
  });
  if (status.IsOK()) latticeBuilt_ = true;
  return status;
}

// The walk grows every result leftward from the newest item set of the frequent-item view F:
// a pending key's first set is matched at a set j of F; it is extended by an item joining its
// first set (position 0, the item must be in F's set j) or by a new first set (position 1,
// matched at the latest earlier set of F holding the item). Keys are taken smallest first in
// the key order. A held sequence that fits only with its first sets matched at earlier
// occurrences than the latest ones is not found.
QxCommon_940::QxStatus SequenceDictionary::getSubsequencesInSequence(
    std::vector<NTSequence*>& result, const Sequence* sequence, int skipLast) {
  const int considered = sequence->Length() - skipLast;
  if (considered < 1) return QxStatus();

  FrequentView view;
  size_t newestKept = 0;
  for (int i = 0; i < considered; ++i) {
    const TimedItemSet& set = (*sequence)[i];
    std::vector<std::int32_t> kept;
    for (auto it = set.Begin(); it != set.End(); ++it) {
      int counted[2] = {1, *it};
      int* sets[1] = {counted};
      if (hasSequence(sets, 1)) kept.push_back(*it);
    }
    if (i == considered - 1) newestKept = kept.size();
    if (!kept.empty()) view.AddSet(std::move(kept));
  }
  if (newestKept == 0) return QxStatus();
  view.Index();

  const int n = view.sets();
  const int total = view.items();
  const int largest = LargestSequence();
  if (largest <= 2) {
    for (std::int32_t item : view.newest()) {
      int counted[2] = {1, item};
      AppendCopy(result, NTSequence(counted));
    }
    return QxStatus();
  }

  std::set<NTSequence> registry;
  std::vector<std::set<NTSequence>> pending(static_cast<size_t>(n));
  for (std::int32_t item : view.newest()) {
    int counted[2] = {1, item};
    NTSequence seed(counted);
    if (registry.insert(seed).second) AppendCopy(result, seed);
    pending.back().insert(seed);
  }

  // The extension of key (first set matched at view set j) by link (item, position).
  const auto extend = [&](const NTSequence& key, int j, std::int32_t item, std::int32_t position) {
    int target;
    if (position == 0) {  // item joins the first set
      if (!view.Holds(j, item)) return;
      target = j;
    } else {  // item as a new first set
      target = view.LatestBefore(j, item);
      if (target < 0) return;
    }
    NTSequence extension(key, item, position);
    if (extension.getNSets() <= n && extension.size() <= total && extension.size() <= largest &&
        registry.insert(extension).second) {
      AppendCopy(result, extension);
    }
    pending[static_cast<size_t>(target)].insert(std::move(extension));
  };

  for (int j = n - 1; j >= 0; --j) {
    std::set<NTSequence>& list = pending[static_cast<size_t>(j)];
    while (!list.empty()) {
      const auto first = list.begin();
      const NTSequence& key = *first;
      const SequenceCounter* counter = nullptr;
      if (key.size() < total && key.getNSets() <= n && key.size() < largest) {
        counter = lookup(&key);
      }
      const AdjacentItemSet* links = counter == nullptr ? nullptr : counter->getAdjacentItems();
      if (links != nullptr) {
        // Links at positions 0 and 1, in set order. A key with many links (a frequent item's
        // sequence may have thousands) is searched only for the items of the view.
        const std::vector<std::int32_t>& candidates = view.distinctItems();
        if (links->size() <= candidates.size()) {
          for (const auto& link : *links) {
            if (link.second == 0 || link.second == 1) extend(key, j, link.first, link.second);
          }
        } else {
          for (std::int32_t item : candidates) {
            for (auto it = links->lower_bound({item, 0});
                 it != links->end() && it->first == item && it->second <= 1; ++it) {
              extend(key, j, item, it->second);
            }
          }
        }
      }
      list.erase(first);
    }
  }
  return QxStatus();
}

}  // namespace SEQUENCE_NAMESPACE_800
