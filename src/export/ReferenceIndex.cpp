#include "export/ReferenceIndex.h"

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

void ReferenceIndex::AddItem(std::int32_t item) { items_.emplace(item, 0); }

void ReferenceIndex::AddItemSet(ItemSpan items) {
  // Probe first so that a held set costs no copy.
  auto it = itemSets_.lower_bound(items);
  if (it != itemSets_.end() && !itemSets_.key_comp()(items, it->first)) return;
  itemSets_.emplace_hint(it, std::vector<std::int32_t>(items.items, items.items + items.count), 0);
}

void ReferenceIndex::AddItemSet(const TimedItemSet& set) { AddItemSet(SpanOf(set)); }

const ReferenceIndex::SequenceEntry& ReferenceIndex::AddSequence(const NTSequence& key) {
  auto it = sequences_.lower_bound(key);
  if (it == sequences_.end() || key < it->first) it = sequences_.emplace_hint(it, key, 0);
  return *it;
}

const ReferenceIndex::SequenceEntry& ReferenceIndex::AddSequence(const Sequence& sequence) {
  return AddSequence(NTSequence(&sequence));
}

void ReferenceIndex::AssignNumbers() {
  Number(items_);
  Number(itemSets_);
  Number(sequences_);
}

std::int32_t ReferenceIndex::GetItemNumber(std::int32_t item) const { return Find(items_, item); }

std::int32_t ReferenceIndex::GetItemSetNumber(ItemSpan items) const {
  return Find(itemSets_, items);
}

std::int32_t ReferenceIndex::GetItemSetNumber(const TimedItemSet& set) const {
  return GetItemSetNumber(SpanOf(set));
}

std::int32_t ReferenceIndex::GetSequenceNumber(const NTSequence& key) const {
  return Find(sequences_, key);
}

std::int32_t ReferenceIndex::GetSequenceNumber(const Sequence& sequence) const {
  return GetSequenceNumber(NTSequence(&sequence));
}

std::int32_t ReferenceIndex::GetNumberOfSequences() const {
  return numberOfSequences_ >= 0 ? numberOfSequences_
                                 : static_cast<std::int32_t>(sequences_.size());
}

void ReferenceIndex::SetNumberOfSequences(std::int32_t count) { numberOfSequences_ = count; }

}  // namespace SEQUENCE_NAMESPACE_800
