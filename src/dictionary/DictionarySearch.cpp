// Searches through the lattice links, level counters and level listings.
#include <cstdint>
#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "dictionary/SequenceDictionary.h"
#include "sequence/HashtableSQPair.h"
#include "sequence/KeyItemSets.h"
#include "sequence/NTSequence.h"
#include "sequence/Sequence.h"
#include "sequence/SequenceCounter.h"
#include "sequence/TimedItemSet.h"

namespace SEQUENCE_NAMESPACE_800 {

namespace {

// Stores a copy of key, without a counter, in a frontier table.
void PutCopy(HashtableSQPair* frontier, const NTSequence& key) {
  auto copy = std::make_unique<NTSequence>(key);
  if (frontier->put(copy.get(), nullptr)) copy.release();
}

void InsertSequence(std::set<Sequence*>& found, const NTSequence& key) {
  std::unique_ptr<Sequence> sequence(key.createSequence());
  if (found.insert(sequence.get()).second) sequence.release();
}

}  // namespace

// Breadth-first by level: every key of a frontier has the same item count, so a key reached from
// several parents enters the next frontier once and is reported once. A key enters a frontier
// only when held with a count of at least minCount; counts shrink along extensions, so this
// prunes whole branches.
template <typename Accept>
QxCommon_940::QxStatus SequenceDictionary::search(const Sequence* query, std::set<Sequence*>& found,
                                                  int minCount, int maxCount,
                                                  Accept acceptPosition) {
  if (numberOfLevels_ < 1) return QxStatus();
  // Too long to be held: the key is not even built.
  if (query != nullptr && query->Size() >= numberOfLevels_) return QxStatus();
  const NTSequence start = query == nullptr ? NTSequence() : NTSequence(query);
  const SequenceCounter* counter = lookup(&start);
  if (counter == nullptr || counter->getCount() < minCount) return QxStatus();

  HashtableSQPair first(89);
  HashtableSQPair second(89);
  HashtableSQPair* current = &first;
  HashtableSQPair* next = &second;
  PutCopy(current, start);
  while (current->getSize() > 0) {
    for (auto it = current->begin(); it != current->end();) {
      NTSequence* key = it->key;
      ++it;  // step past the entry before it is removed below
      counter = lookup(key);
      const AdjacentItemSet* links = counter == nullptr ? nullptr : counter->getAdjacentItems();
      const HashtableSQPair* above =
          key->size() + 1 < numberOfLevels_ ? levels_[key->size() + 1] : nullptr;
      if (links != nullptr && above != nullptr) {
        for (const auto& link : *links) {
          if (!acceptPosition(link.second, key->getNSets())) continue;
          const NTSequence extension(*key, link.first, link.second);
          if (next->containsKey(&extension)) continue;
          const ISQCPair* held = above->get(&extension);
          if (held != nullptr && held->value != nullptr && held->value->getCount() >= minCount) {
            PutCopy(next, extension);
          }
        }
      }
      if (counter != nullptr && counter->getCount() <= maxCount) InsertSequence(found, *key);
      current->remove(key);
    }
    std::swap(current, next);
  }
  return QxStatus();
}

QxCommon_940::QxStatus SequenceDictionary::FindSequences(const Sequence* query,
                                                         std::set<Sequence*>& found, int minCount,
                                                         int maxCount) {
  return search(query, found, minCount, maxCount, [](int, int) { return true; });
}

QxCommon_940::QxStatus SequenceDictionary::FindSequencesBeginning(const Sequence* query,
                                                                  std::set<Sequence*>& found,
                                                                  int minCount, int maxCount) {
  // Items join existing sets, or open a new set after the last one.
  return search(query, found, minCount, maxCount, [](int position, int nSets) {
    return position % 2 == 0 || position == 2 * nSets + 1;
  });
}

QxCommon_940::QxStatus SequenceDictionary::FindSequencesEnding(const Sequence* query,
                                                               std::set<Sequence*>& found,
                                                               int minCount, int maxCount) {
  // Items join existing sets, or open a new first set.
  return search(query, found, minCount, maxCount,
                [](int position, int) { return position % 2 == 0 || position == 1; });
}

int SequenceDictionary::CountSequencesOfSize(int k) const {
  if (k < 0 || k >= numberOfLevels_) return 0;
  return levels_[k]->getSize();
}

int SequenceDictionary::NumberOfSequences() const {
  int total = 0;
  for (int level = 0; level < numberOfLevels_; ++level) total += levels_[level]->getSize();
  return total;
}

int SequenceDictionary::LargestSequence() const {
  int largest = 0;
  // Through the interface, so that a refined count changes the bound too.
  for (int level = 1; level < numberOfLevels_ && CountSequencesOfSize(level) > 0; ++level) {
    largest = level;
  }
  return largest;
}

int SequenceDictionary::CountSequencesBiggerThan(int k) const {
  const int largest = LargestSequence();
  int total = 0;
  for (int level = k < 0 ? 0 : k; level <= largest && level < numberOfLevels_; ++level) {
    total += levels_[level]->getSize();
  }
  return total;
}

QxCommon_940::QxStatus SequenceDictionary::getSequencesOfSize(std::vector<const Sequence*>& out,
                                                              int k, bool maximalOnly) {
  if (k < 0 || k >= numberOfLevels_) return QxStatus();
  const HashtableSQPair* table = levels_[k];
  for (auto it = table->begin(); it != table->end(); ++it) {
    if (maximalOnly && it->value != nullptr && it->value->getNAdjacent() > 0) continue;
    const NTSequence& key = *it->key;
    auto sequence = std::make_unique<Sequence>(key.getNSets());
    TimedItemSet set;
    double time = 0.0;  // the sets are numbered from 0
    ForEachItemSet(key, [&](ItemSpan items) {
      set.AddAllItems(items.items, items.count, time++);
      sequence->AddTimedItemSet(&set);
    });
    out.push_back(sequence.get());
    sequence.release();
  }
  return QxStatus();
}

}  // namespace SEQUENCE_NAMESPACE_800
