// The lattice: one-item extension links stored on the counters, and the walk that finds the held
// sequences occurring in a customer's history.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>
#include <set>
#include <utility>
#include <vector>

#include "dictionary/SequenceDictionary.h"
#include "foundation/MemoryGuard.h"
#include "sequence/HashtableSQPair.h"
#include "sequence/KeyItemSets.h"
#include "sequence/NTSequence.h"
#include "sequence/Sequence.h"
#include "sequence/SequenceCounter.h"
#include "sequence/TimedItemSet.h"

namespace SEQUENCE_NAMESPACE_800 {

namespace {

// A link waiting to be stored on its parent's counter. A record with position kNoLink only
// stands for the parent itself, which gets an emptied link set even when no child reaches it.
struct PendingLink {
  SequenceCounter* parent;
  std::int32_t item;
  std::int32_t position;
};
constexpr std::int32_t kNoLink = -1;

std::uintptr_t AddressOf(const PendingLink& link) {
  return reinterpret_cast<std::uintptr_t>(link.parent);
}

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

// Orders the records of one level's parents by parent address, so that each parent's records
// are contiguous, in place (no second buffer the size of the records): the records are first
// permuted into buckets by the high bits of the address offset in which the parents differ
// (at most kMaxDigitBits bits, counted as records are added), and each bucket is then sorted
// by the whole offset (a no-op when the digit is the whole offset).
class ParentSorter {
 public:
  ParentSorter() : counts_(kMaxDigits) {}

  // Starts a level whose parents' addresses are `parents`; every record added until Sort must
  // have one of them as its parent.
  void Start(const AddressSpread& parents) {
    low_ = parents.low();
    shift_ = parents.commonLowBits();
    const int bits = parents.width(shift_);
    lowBits_ = bits > kMaxDigitBits ? bits - kMaxDigitBits : 0;
    digits_ = size_t{1} << (bits - lowBits_);
    std::fill(counts_.begin(), counts_.begin() + static_cast<std::ptrdiff_t>(digits_), 0);
  }

  void Count(const PendingLink& link) { ++counts_[Digit(link)]; }

  // REQUIRES: every record of links was counted since Start.
  void Sort(std::vector<PendingLink>& links) {
    // Bucket boundaries: next_[d] is where the next record of digit d goes, ends_[d] its end.
    next_.resize(digits_);
    ends_.resize(digits_);
    size_t sum = 0;
    for (size_t d = 0; d < digits_; ++d) {
      next_[d] = sum;
      sum += counts_[d];
      ends_[d] = sum;
    }
    // Each record is swapped straight into its bucket until the one arriving belongs here.
    for (size_t d = 0; d < digits_; ++d) {
      while (next_[d] < ends_[d]) {
        PendingLink& here = links[next_[d]];
        const size_t digit = Digit(here);
        if (digit == d) {
          ++next_[d];
        } else {
          std::swap(here, links[next_[digit]++]);
        }
      }
    }
    if (lowBits_ == 0) return;
    size_t begin = 0;
    for (size_t d = 0; d < digits_; ++d) {
      const auto first = links.begin() + static_cast<std::ptrdiff_t>(begin);
      const auto last = links.begin() + static_cast<std::ptrdiff_t>(ends_[d]);
      if (last - first > 1) {
        std::sort(first, last, [](const PendingLink& a, const PendingLink& b) {
          return AddressOf(a) < AddressOf(b);
        });
      }
      begin = ends_[d];
    }
  }

 private:
  static constexpr int kMaxDigitBits = 16;
  static constexpr size_t kMaxDigits = size_t{1} << kMaxDigitBits;

  size_t Digit(const PendingLink& link) const {
    return static_cast<size_t>(((AddressOf(link) - low_) >> shift_) >> lowBits_);
  }

  std::uintptr_t low_ = 0;
  int shift_ = 0;
  int lowBits_ = 0;
  size_t digits_ = 1;
  std::vector<size_t> counts_;  // records per digit
  std::vector<size_t> next_;
  std::vector<size_t> ends_;
};

// Asks for a cache line ahead of use; a no-op where the compiler offers no hint.
inline void Prefetch(const void* address) {
#if defined(__GNUC__)
  __builtin_prefetch(address);
#else
  (void)address;
#endif
}

// Builds the links level by level, following each child's items in order: the parent without
// item p (removeItem) is looked up one level down and, when held with a counter, gets the link
// (item, 2s+1) if the item was alone in its set s, else (item, 2s).
//
// The work is arranged so that it costs little more than the look-ups themselves, which are
// dominated by cache misses:
//  - entries are taken from the table in chunks whose keys are prefetched before use;
//  - parent keys are made and looked up in batches (HashtableSQPair::getMany), so that the
//    misses of independent look-ups overlap;
//  - links are not inserted as they are found (each insertion would chase a parent's counter
//    and set at a random place): they are gathered per level, grouped by parent address, and
//    each parent's links are sorted and stored at once (one allocation per set), visiting the
//    counters in memory order;
//  - the record vectors are sized once up front, so that none is copied while it grows.
class LatticeBuilder {
 public:
  LatticeBuilder() {
    for (int i = 0; i < kBatch; ++i) keyAddresses_[i] = &keys_[i];
  }

  // Room for the records of the largest level step and the entries of the largest level, so
  // that no vector grows (and holds its old and new storage at once) during the build.
  void Reserve(size_t records, size_t entries) {
    links_.reserve(records);
    next_.reserve(entries);
  }

  // An entry of level 0: its counter gets an emptied link set. Call TurnToNextLevel after the
  // last one.
  void AddParent(SequenceCounter* counter) { Register(counter); }

  // Makes the entries registered last the parents of the next level collected.
  void TurnToNextLevel() {
    // The parents' own records become the first records of the level step; the links found
    // next are appended behind them. links_ keeps the larger buffer.
    links_.clear();
    links_.insert(links_.end(), next_.begin(), next_.end());
    next_.clear();
    sorter_.Start(nextSpread_);
    nextSpread_ = AddressSpread();
    for (const PendingLink& link : links_) sorter_.Count(link);
  }

  // Registers every entry of `level` under each of its held parents in `parents`; the entries'
  // own counters become the parents of the next level.
  void CollectLevel(const HashtableSQPair& level, const HashtableSQPair& parents) {
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

  // Stores the gathered records, then turns to the level collected last. Every parent has a
  // record of its own (gathered a level earlier), so every parent's set is replaced, emptied
  // when no child reaches it. Parents are visited in address order; each one's counter and
  // then its set are asked for a few records ahead.
  void StoreLinks() {
    constexpr size_t kAhead = 16;
    sorter_.Sort(links_);
    const size_t count = links_.size();
    size_t i = 0;
    while (i < count) {
      SequenceCounter* parent = links_[i].parent;
      pairs_.clear();
      for (; i < count && links_[i].parent == parent; ++i) {
        if (i + kAhead < count) Prefetch(links_[i + kAhead].parent);
        if (i + kAhead / 2 < count) Prefetch(links_[i + kAhead / 2].parent->getAdjacentItems());
        const PendingLink& link = links_[i];
        if (link.position == kNoLink) continue;
        pairs_.emplace_back(link.item, link.position);
      }
      if (!std::is_sorted(pairs_.begin(), pairs_.end())) std::sort(pairs_.begin(), pairs_.end());
      pairs_.erase(std::unique(pairs_.begin(), pairs_.end()), pairs_.end());
      parent->assignAdjacentItems(pairs_.data(), pairs_.size());
    }
    TurnToNextLevel();
  }

 private:
  static constexpr int kChunk = 128;
  static constexpr int kBatch = 64;

  void CollectEntry(const ISQCPair& entry, const HashtableSQPair& parents) {
    const NTSequence* child = entry.key;
    if (entry.value != nullptr) Register(entry.value);
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

  // Gives counter a record of its own for the step that stores its links.
  void Register(SequenceCounter* counter) {
    next_.push_back({counter, 0, kNoLink});
    nextSpread_.Add(counter);
  }

  void Flush(const HashtableSQPair& parents) {
    const ISQCPair* found[kBatch];
    parents.getMany(keyAddresses_, pending_, found);
    for (int i = 0; i < pending_; ++i) {
      const ISQCPair* held = found[i];
      if (held != nullptr && held->value != nullptr) {
        links_.push_back({held->value, items_[i], positions_[i]});
        sorter_.Count(links_.back());
      }
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
  std::vector<PendingLink> links_;                  // for the parents' level
  std::vector<PendingLink> next_;                   // the entries of the level collected last
  AddressSpread nextSpread_;                        // of the counters in next_
  ParentSorter sorter_;                             // for the records in links_
  std::vector<AdjacentItemSet::value_type> pairs_;  // the links of one parent
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
    size_t records = 1;
    size_t entries = 1;
    for (int k = 1; k <= top; ++k) {
      records = std::max(
          records, static_cast<size_t>(k) * levels_[k]->getSize() + levels_[k - 1]->getSize());
      entries = std::max(entries, static_cast<size_t>(levels_[k]->getSize()));
    }
    builder->Reserve(records, std::max(entries, static_cast<size_t>(levels_[0]->getSize())));
    if (numberOfLevels_ > 0) {
      for (auto it = levels_[0]->begin(); it != levels_[0]->end(); ++it) {
        if (it->value != nullptr) builder->AddParent(it->value);
      }
    }
    builder->TurnToNextLevel();
    for (int k = 1; k <= top; ++k) {
      builder->CollectLevel(*levels_[k], *levels_[k - 1]);
      builder->StoreLinks();
    }
    builder->StoreLinks();  // the top level: emptied sets only
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
