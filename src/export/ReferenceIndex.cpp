#include "export/ReferenceIndex.h"

#include <unordered_set>
#include <utility>

#include "sequence/Sequence.h"
#include "sequence/TimedItemSet.h"

namespace SEQUENCE_NAMESPACE_800 {

namespace {

ItemSpan SpanOf(const TimedItemSet& set) { return ItemSpan{set.Begin(), set.Size()}; }

template <typename Map>
void Number(Map& map) {
  std::int32_t number = 0;
  for (auto& entry : map) entry.second = ++number;
}

template <typename Map, typename Key>
std::int32_t Find(const Map& map, const Key& key) {
  const auto it = map.find(key);
  return it == map.end() ? -1 : it->second;
}

}  // namespace

void ReferenceIndex::AddItem(std::int32_t item) { pendingItems_.push_back(item); }

void ReferenceIndex::AddItemSet(ItemSpan items) {
  pendingItemSets_.push_back(items.count);
  pendingItemSets_.insert(pendingItemSets_.end(), items.items, items.items + items.count);
}

void ReferenceIndex::AddItemSet(const TimedItemSet& set) { AddItemSet(SpanOf(set)); }

const NTSequence* ReferenceIndex::AddSequence(const NTSequence& key) {
  copies_.push_back(key);
  pendingSequences_.push_back(&copies_.back());
  return &copies_.back();
}

void ReferenceIndex::AddHeldSequence(const NTSequence* key) { pendingSequences_.push_back(key); }

void ReferenceIndex::AddSequence(const Sequence& sequence) { AddSequence(NTSequence(&sequence)); }

// Each pending list is made unique (through a hash set where keys repeat a lot), sorted, and
// entered in key order: with the hint at the end of the map an insertion costs constant time
// whenever the map held no greater key.
void ReferenceIndex::AssignNumbers() {
  std::sort(pendingItems_.begin(), pendingItems_.end());
  pendingItems_.erase(std::unique(pendingItems_.begin(), pendingItems_.end()), pendingItems_.end());
  for (std::int32_t item : pendingItems_) items_.emplace_hint(items_.end(), item, 0);
  std::vector<std::int32_t>().swap(pendingItems_);
  EnterPendingItemSets();
  EnterPendingSequences();
  Number(items_);
  Number(itemSets_);
  BuildHashIndexes();
}

void ReferenceIndex::EnterPendingItemSets() {
  std::unordered_set<ItemSpan, ItemSpanHash, ItemSpanEqual> distinct;
  std::vector<ItemSpan> spans;
  for (std::size_t at = 0; at < pendingItemSets_.size(); at += 1 + pendingItemSets_[at]) {
    const ItemSpan span{&pendingItemSets_[at + 1], pendingItemSets_[at]};
    if (distinct.insert(span).second) spans.push_back(span);
  }
  std::sort(spans.begin(), spans.end(), ItemSetLess());
  for (ItemSpan span : spans) {
    itemSets_.emplace_hint(itemSets_.end(),
                           std::vector<std::int32_t>(span.items, span.items + span.count), 0);
  }
  std::vector<std::int32_t>().swap(pendingItemSets_);
}

// The keys numbered before and the pending ones are sorted together; keys of equal content get
// one number, and the first of them stands for them in the list. Most keys are added many times
// through the same pointer, so the pointers are made unique first, which is cheap.
void ReferenceIndex::EnterPendingSequences() {
  if (pendingSequences_.empty()) return;
  SequenceList order;
  order.reserve(keyNumbers_.size() + pendingSequences_.size());
  keyNumbers_.ForEach([&order](const void* key, std::int32_t) {
    order.push_back(static_cast<const NTSequence*>(key));
  });
  order.insert(order.end(), pendingSequences_.begin(), pendingSequences_.end());
  SequenceList().swap(pendingSequences_);
  std::sort(order.begin(), order.end());
  order.erase(std::unique(order.begin(), order.end()), order.end());
  SortByContent(&order);
  sequences_.clear();
  keyNumbers_.Clear();
  keyNumbers_.Reserve(order.size());
  for (const NTSequence* key : order) {
    if (sequences_.empty() || *sequences_.back() != *key) sequences_.push_back(key);
    keyNumbers_.Set(key, static_cast<std::int32_t>(sequences_.size()));
  }
  sequences_.shrink_to_fit();
}

namespace {

// A key's leading tokens packed into 128 bits, most significant first: for each item set the
// numbers of its items (1, 2, ... in item order) and then 0, each token in `bits` bits, zeros
// after the last token. Comparing codes as numbers compares the keys in the Sequence order as
// far as the codes reach, because a set's end (0) sorts before any item and the zeros after a
// short key act as the ends of the sets it does not have. A complete code holds every token, so
// two complete codes are equal only for equal keys. The code of a key too long for 128 bits, or
// with an item that has no number, is incomplete: only its first `valid` bits hold tokens.
struct KeyCode {
  std::uint64_t high = 0;
  std::uint64_t low = 0;
  int valid = 128;  // leading bits that hold tokens; after them an incomplete code says nothing
  bool complete = true;
  const NTSequence* key = nullptr;
};

// The first n bits of code (the rest zero), as high and low words.
std::pair<std::uint64_t, std::uint64_t> Leading(const KeyCode& code, int n) {
  if (n >= 128) return {code.high, code.low};
  if (n > 64) return {code.high, code.low & (~std::uint64_t{0} << (128 - n))};
  if (n == 0) return {0, 0};
  return {code.high & (~std::uint64_t{0} << (64 - n)), 0};
}

// The Sequence order: by the leading bits both codes hold, then, where those agree and a code is
// incomplete, by the keys themselves.
bool CodeLess(const KeyCode& a, const KeyCode& b) {
  const int valid = std::min(a.valid, b.valid);
  const auto x = Leading(a, valid);
  const auto y = Leading(b, valid);
  if (x != y) return x < y;
  if (a.complete && b.complete) return false;
  return *a.key < *b.key;
}

class KeyCoder {
 public:
  explicit KeyCoder(const ReferenceIndex::ItemMap& items) {
    items_.reserve(items.size());
    for (const auto& entry : items) items_.push_back(entry.first);
    while ((std::size_t{1} << bits_) <= items_.size()) ++bits_;
  }

  KeyCode Encode(const NTSequence* key) const {
    KeyCode code;
    code.key = key;
    int used = 0;
    const auto add = [&](std::uint64_t token) {
      if (!code.complete) return;
      if (used + bits_ > 128) {
        code.complete = false;
        code.valid = used;
        return;
      }
      // Place token at bits [128 - used - bits_, 128 - used) of high:low.
      const int shift = 128 - used - bits_;
      if (shift >= 64) {
        code.high |= token << (shift - 64);
      } else {
        code.low |= token << shift;
        if (shift + bits_ > 64) code.high |= token >> (64 - shift);
      }
      used += bits_;
    };
    ForEachItemSet(*key, [&](ItemSpan set) {
      for (std::int32_t i = 0; i < set.count && code.complete; ++i) {
        const std::uint64_t number = NumberOf(set.items[i]);
        if (number == 0) {  // an item without a number ends the code
          code.complete = false;
          code.valid = used;
        }
        add(number);
      }
      add(0);
    });
    return code;
  }

 private:
  // The item's number, or 0 when the index holds no such item.
  std::uint64_t NumberOf(std::int32_t item) const {
    const auto at = std::lower_bound(items_.begin(), items_.end(), item);
    if (at == items_.end() || *at != item) return 0;
    return static_cast<std::uint64_t>(at - items_.begin()) + 1;
  }

  std::vector<std::int32_t> items_;  // ascending
  int bits_ = 1;
};

}  // namespace

void ReferenceIndex::SortByContent(SequenceList* keys) const {
  const KeyCoder coder(items_);
  std::vector<KeyCode> codes;
  codes.reserve(keys->size());
  for (const NTSequence* key : *keys) codes.push_back(coder.Encode(key));
  std::sort(codes.begin(), codes.end(), CodeLess);
  for (std::size_t i = 0; i < codes.size(); ++i) (*keys)[i] = codes[i].key;
}

void ReferenceIndex::BuildHashIndexes() {
  itemNumbers_.clear();
  itemNumbers_.reserve(items_.size());
  itemNumbers_.insert(items_.begin(), items_.end());
  itemSetNumbers_.clear();
  itemSetNumbers_.reserve(itemSets_.size());
  for (const auto& [items, number] : itemSets_) {
    itemSetNumbers_.emplace(ItemSpan{items.data(), static_cast<std::int32_t>(items.size())},
                            number);
  }
}

std::int32_t ReferenceIndex::GetItemNumber(std::int32_t item) const {
  return Find(itemNumbers_, item);
}

std::int32_t ReferenceIndex::GetItemSetNumber(ItemSpan items) const {
  return Find(itemSetNumbers_, items);
}

std::int32_t ReferenceIndex::GetItemSetNumber(const TimedItemSet& set) const {
  return GetItemSetNumber(SpanOf(set));
}

// Keys the index was given are found by their address; others by their content.
std::int32_t ReferenceIndex::GetSequenceNumber(const NTSequence& key) const {
  const std::int32_t number = keyNumbers_.Find(&key);
  if (number >= 0) return number;
  const auto at =
      std::lower_bound(sequences_.begin(), sequences_.end(), &key,
                       [](const NTSequence* a, const NTSequence* b) { return *a < *b; });
  if (at == sequences_.end() || **at != key) return -1;
  return static_cast<std::int32_t>(at - sequences_.begin()) + 1;
}

std::int32_t ReferenceIndex::GetSequenceNumber(const Sequence& sequence) const {
  const NTSequence key(&sequence);
  return GetSequenceNumber(key);
}

std::int32_t ReferenceIndex::GetNumberOfSequences() const {
  return numberOfSequences_ >= 0 ? numberOfSequences_
                                 : static_cast<std::int32_t>(sequences_.size());
}

void ReferenceIndex::SetNumberOfSequences(std::int32_t count) { numberOfSequences_ = count; }

}  // namespace SEQUENCE_NAMESPACE_800
