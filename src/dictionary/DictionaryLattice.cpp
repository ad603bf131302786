// The lattice: one-item extension links stored on the counters, and the walk that finds the held
// sequences occurring in a customer's history.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>
#include <set>
#include <vector>

#include "dictionary/SequenceDictionary.h"
#include "foundation/Exceptions.h"
#include "sequence/HashtableSQPair.h"
#include "sequence/NTSequence.h"
#include "sequence/Sequence.h"
#include "sequence/SequenceCounter.h"
#include "sequence/TimedItemSet.h"

namespace SEQUENCE_NAMESPACE_800 {

namespace {

// Gives a counter an empty link set, reusing the one it has.
void ClearLinks(SequenceCounter* counter) {
  if (counter->getAdjacentItems() != nullptr) {
    counter->clearAdjacentItems();
  } else {
    counter->setAdjacentItems(new AdjacentItemSet());
  }
}

// Registers every entry of `level` under each of its one-item-smaller parents in `parents`.
// `parent` is scratch: its item array has room for any stored key, and removeItem rewrites it
// in place, so the walk allocates nothing per item.
void LinkLevel(const HashtableSQPair& level, const HashtableSQPair& parents, NTSequence* parent) {
  for (auto it = level.begin(); it != level.end(); ++it) {
    NTSequence* child = it->key;
    if (it->value != nullptr) ClearLinks(it->value);
    const std::int32_t size = child->size();
    const std::int32_t* items = child->items();
    const auto pattern = static_cast<std::uint32_t>(child->getPattern());
    int set = 0;  // index of the item set holding item p
    for (int p = 0; p < size; ++p) {
      const bool alone = parent->removeItem(p, child);
      const ISQCPair* held = parents.get(parent);
      if (held != nullptr && held->value != nullptr) {
        held->value->addAdjacentItem(items[p], alone ? 2 * set + 1 : 2 * set);
      }
      if ((pattern >> (size - 1 - p)) & 1u) ++set;  // item p ends its set
    }
  }
}

void AppendCopy(std::vector<NTSequence*>& result, const NTSequence& key) {
  auto copy = std::make_unique<NTSequence>(key);
  result.push_back(copy.get());
  copy.release();
}

// The latest set of `view` before `before` that holds item, or -1.
int LatestSetBefore(const std::vector<std::vector<std::int32_t>>& view, int before, int item) {
  for (int t = before - 1; t >= 0; --t) {
    const auto& set = view[static_cast<size_t>(t)];
    if (std::binary_search(set.begin(), set.end(), item)) return t;
  }
  return -1;
}

}  // namespace

QxCommon_940::QxStatus SequenceDictionary::buildLattice() {
  try {
    const int top = LargestSequence();
    if (numberOfLevels_ > 0) {
      for (auto it = levels_[0]->begin(); it != levels_[0]->end(); ++it) {
        if (it->value != nullptr) ClearLinks(it->value);
      }
    }
    NTSequence parent;
    for (int k = 1; k <= top; ++k) LinkLevel(*levels_[k], *levels_[k - 1], &parent);
  } catch (const std::bad_alloc&) {
    return QxStatus(QxStatus::kOutOfMemory, false);
  } catch (const SeqExceptions::DictionaryFailure&) {
    return QxStatus(QxStatus::kOutOfMemory, false);
  }
  latticeBuilt_ = true;
  return QxStatus();
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

  // Frequent-item view: the items whose one-item sequence is held, set by set.
  std::vector<std::vector<std::int32_t>> view;
  size_t newestKept = 0;
  int total = 0;
  for (int i = 0; i < considered; ++i) {
    const TimedItemSet& set = (*sequence)[i];
    std::vector<std::int32_t> kept;
    for (auto it = set.Begin(); it != set.End(); ++it) {
      int counted[2] = {1, *it};
      int* sets[1] = {counted};
      if (hasSequence(sets, 1)) kept.push_back(*it);
    }
    if (i == considered - 1) newestKept = kept.size();
    total += static_cast<int>(kept.size());
    if (!kept.empty()) view.push_back(std::move(kept));
  }
  if (newestKept == 0) return QxStatus();

  const int n = static_cast<int>(view.size());
  const int largest = LargestSequence();
  const std::vector<std::int32_t>& newest = view.back();
  if (largest <= 2) {
    for (std::int32_t item : newest) {
      int counted[2] = {1, item};
      AppendCopy(result, NTSequence(counted));
    }
    return QxStatus();
  }

  std::set<NTSequence> registry;
  std::vector<std::set<NTSequence>> pending(static_cast<size_t>(n));
  for (std::int32_t item : newest) {
    int counted[2] = {1, item};
    NTSequence seed(counted);
    if (registry.insert(seed).second) AppendCopy(result, seed);
    pending.back().insert(seed);
  }

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
        for (const auto& link : *links) {
          const std::int32_t item = link.first;
          const std::int32_t position = link.second;
          int target;
          if (position == 0) {
            const auto& set = view[static_cast<size_t>(j)];
            if (!std::binary_search(set.begin(), set.end(), item)) continue;
            target = j;
          } else if (position == 1) {
            target = LatestSetBefore(view, j, item);
            if (target < 0) continue;
          } else {
            continue;
          }
          NTSequence extension(key, item, position);
          if (extension.getNSets() <= n && extension.size() <= total &&
              extension.size() <= largest && registry.insert(extension).second) {
            AppendCopy(result, extension);
          }
          pending[static_cast<size_t>(target)].insert(std::move(extension));
        }
      }
      list.erase(first);
    }
  }
  return QxStatus();
}

}  // namespace SEQUENCE_NAMESPACE_800
