// Item prediction: the items that extend the held sequences found in a customer's history, each
// scored by the counts of the lattice and ranked by confidence.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <new>
#include <optional>
#include <utility>
#include <vector>

#include "dictionary/SeqConsequentDescriptor.h"
#include "dictionary/SequenceDictionary.h"
#include "foundation/MemoryGuard.h"
#include "sequence/HashtableSQPair.h"
#include "sequence/KeyItemSets.h"
#include "sequence/NTSequence.h"
#include "sequence/Sequence.h"
#include "sequence/SequenceCounter.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

using QxCommon_940::QxStatus;

// The best descriptor seen so far for each candidate item. Memory grows with the number of
// distinct items, not with the number of candidates.
using BestByItem = std::map<std::int32_t, SeqConsequentDescriptor>;

// Where a candidate item goes relative to the matched sequence.
enum class Placement { kNewLastSet, kIntoLastSet };

// Owns the keys that getSubsequencesInSequence hands over, also when a later look-up throws.
class OwnedKeys {
 public:
  OwnedKeys() = default;
  OwnedKeys(const OwnedKeys&) = delete;
  OwnedKeys& operator=(const OwnedKeys&) = delete;
  ~OwnedKeys() {
    for (NTSequence* key : keys_) delete key;
  }

  std::vector<NTSequence*>& keys() { return keys_; }

 private:
  std::vector<NTSequence*> keys_;
};

// The item sets of a matched key as counted arrays (element 0 the item count, then the items),
// plus room for one candidate item. The dictionary looks counted arrays up in its scratch key,
// so scoring a candidate allocates nothing.
class CandidateSets {
 public:
  explicit CandidateSets(const NTSequence& base)
      : nSets_(base.getNSets()),
        buffer_(static_cast<size_t>(base.size() + base.getNSets() + 2)),
        sets_(static_cast<size_t>(nSets_ + 1)) {
    end_ = WriteCountedSets(base, buffer_.data(), sets_.data());
    if (nSets_ > 0) {
      lastSetStart_ = static_cast<int>(sets_[nSets_ - 1] - buffer_.data());
      lastItems_ = base.items() + base.size() - sets_[nSets_ - 1][0];
    }
  }

  int** sets() { return sets_.data(); }

  // Lays out the base followed by the set {item}; returns the number of sets.
  int WithNewLastSet(int item) {
    buffer_[end_] = 1;
    buffer_[end_ + 1] = item;
    sets_[nSets_] = &buffer_[end_];
    return nSets_ + 1;
  }

  // Lays out the base with item inserted in ascending place into its last set; returns the
  // number of sets. REQUIRES: the base has at least one set.
  int WithItemInLastSet(int item) {
    int* set = &buffer_[lastSetStart_];
    const int count = static_cast<int>(end_ - lastSetStart_ - 1);
    const std::int32_t* split = std::upper_bound(lastItems_, lastItems_ + count, item);
    int* out = std::copy(lastItems_, split, set + 1);
    *out++ = item;
    std::copy(split, lastItems_ + count, out);
    set[0] = count + 1;
    return nSets_;
  }

 private:
  int nSets_;
  std::vector<int> buffer_;
  std::vector<int*> sets_;
  int lastSetStart_ = 0;
  int end_ = 0;
  const std::int32_t* lastItems_ = nullptr;  // the base's own last set, never overwritten
};

bool IsEmptyQuery(const Sequence* sequence) {
  return sequence == nullptr || sequence->Length() == 0;
}

// The items of the last `count` item sets of sequence, sorted and unique.
std::vector<std::int32_t> ItemsOfLastSets(const Sequence& sequence, int count) {
  std::vector<std::int32_t> items;
  for (int i = sequence.Length() - count; i < sequence.Length(); ++i) {
    const TimedItemSet& set = sequence[i];
    items.insert(items.end(), set.Begin(), set.End());
  }
  std::sort(items.begin(), items.end());
  items.erase(std::unique(items.begin(), items.end()), items.end());
  return items;
}

bool Contains(const std::vector<std::int32_t>& sorted, std::int32_t item) {
  return std::binary_search(sorted.begin(), sorted.end(), item);
}

// Keeps per item the higher confidence and, at equal confidence, the higher support.
void Merge(BestByItem& best, const SeqConsequentDescriptor& candidate) {
  auto [it, inserted] = best.emplace(candidate.GetItem(), candidate);
  if (inserted) return;
  SeqConsequentDescriptor& held = it->second;
  if (candidate.GetConfidence() > held.GetConfidence()) {
    held = candidate;
  } else if (candidate.GetConfidence() == held.GetConfidence() &&
             candidate.GetSupport() > held.GetSupport()) {
    held.SetSupport(candidate.GetSupport());
    held.SetCause(candidate.GetCause());
  }
}

// Confidence descending, ties by item id descending. A confidence that is not a number (counts
// of 0) ranks last, so that the order stays strict.
bool RanksBefore(const SeqConsequentDescriptor& a, const SeqConsequentDescriptor& b) {
  const auto rank = [](double confidence) {
    return std::isnan(confidence) ? -std::numeric_limits<double>::infinity() : confidence;
  };
  const double ra = rank(a.GetConfidence());
  const double rb = rank(b.GetConfidence());
  if (ra != rb) return ra > rb;
  return a.GetItem() > b.GetItem();
}

// Appends the best maxItems of ranked after what predictions holds. Either all of them are
// appended or, when memory runs out, none.
void AppendBest(std::vector<SeqConsequentDescriptor>& predictions,
                std::vector<SeqConsequentDescriptor> ranked, int maxItems) {
  if (maxItems <= 0 || ranked.empty()) return;
  const size_t keep = std::min(ranked.size(), static_cast<size_t>(maxItems));
  std::partial_sort(ranked.begin(), ranked.begin() + static_cast<std::ptrdiff_t>(keep),
                    ranked.end(), RanksBefore);
  predictions.reserve(predictions.size() + keep);
  predictions.insert(predictions.end(), ranked.begin(),
                     ranked.begin() + static_cast<std::ptrdiff_t>(keep));
}

void AppendBest(std::vector<SeqConsequentDescriptor>& predictions, const BestByItem& best,
                int maxItems) {
  std::vector<SeqConsequentDescriptor> ranked;
  ranked.reserve(best.size());
  for (const auto& entry : best) ranked.push_back(entry.second);
  AppendBest(predictions, std::move(ranked), maxItems);
}

// The answer to an empty history: every held single item, scored against the whole population.
void AppendSingleItems(const SequenceDictionary& dictionary,
                       std::vector<SeqConsequentDescriptor>& predictions, int maxItems) {
  const HashtableSQPair* level1 = dictionary.getLevelTable(1);
  if (level1 == nullptr) return;
  const double total = dictionary.getTotalCount();
  std::vector<SeqConsequentDescriptor> ranked;
  ranked.reserve(static_cast<size_t>(level1->getSize()));
  for (auto it = level1->begin(); it != level1->end(); ++it) {
    if (it->value == nullptr || it->key->size() != 1) continue;
    const double support = it->value->getCount() / total;
    ranked.emplace_back(it->key->items()[0], support, support, 1.0);
  }
  AppendBest(predictions, std::move(ranked), maxItems);
}

// Scores every lattice extension of matched that puts a non-excluded item at `placement`.
void ScoreExtensions(SequenceDictionary& dictionary, const NTSequence& matched, Placement placement,
                     const std::vector<std::int32_t>& excluded, BestByItem& best) {
  const SequenceCounter* counter = dictionary.getDescriptor(&matched);
  if (counter == nullptr || counter->getAdjacentItems() == nullptr) return;
  const int n = matched.getNSets();
  const int position = placement == Placement::kNewLastSet ? 2 * n + 1 : 2 * (n - 1);
  const double matchedCount = counter->getCount();
  const double total = dictionary.getTotalCount();
  std::optional<CandidateSets> sets;  // laid out at the first candidate that passes
  for (const auto& [item, at] : *counter->getAdjacentItems()) {
    if (at != position || Contains(excluded, item)) continue;
    if (!sets) sets.emplace(matched);
    const int nSets = placement == Placement::kNewLastSet ? sets->WithNewLastSet(item)
                                                          : sets->WithItemInLastSet(item);
    const SequenceCounter* extended = dictionary.getDescriptor(sets->sets(), nSets);
    if (extended == nullptr) continue;
    const double count = extended->getCount();
    int single[2] = {1, item};
    int* singleSet = single;
    const SequenceCounter* alone = dictionary.getDescriptor(&singleSet, 1);
    const double cause = alone == nullptr ? 0.0 : count / alone->getCount();
    Merge(best, SeqConsequentDescriptor(item, count / total, count / matchedCount, cause));
  }
}

}  // namespace

QxCommon_940::QxStatus SequenceDictionary::GetFutureItems(
    std::vector<SeqConsequentDescriptor>& predictions, const Sequence* sequence, int maxItems,
    bool wholeSequenceOnly) {
  return StatusOrOutOfMemory([&]() -> QxStatus {
    if (IsEmptyQuery(sequence)) {
      AppendSingleItems(*this, predictions, maxItems);
      return QxStatus();
    }
    // Iteration `skip` predicts what follows the history without its newest `skip` item sets,
    // never proposing an item the customer already has in those newer sets.
    BestByItem best;
    for (int skip = 0; skip < sequence->Length(); ++skip) {
      if (cancel_) return QxStatus(QxStatus::kCancelled, false);
      if (skip > 0 && wholeSequenceOnly) break;
      const std::vector<std::int32_t> excluded = ItemsOfLastSets(*sequence, skip);
      OwnedKeys matched;
      const QxStatus walked = getSubsequencesInSequence(matched.keys(), sequence, skip);
      if (!walked.IsOK()) return walked;
      for (const NTSequence* key : matched.keys()) {
        ScoreExtensions(*this, *key, Placement::kNewLastSet, excluded, best);
      }
    }
    AppendBest(predictions, best, maxItems);
    return QxStatus();
  });
}

QxCommon_940::QxStatus SequenceDictionary::GetCurrentItems(
    std::vector<SeqConsequentDescriptor>& predictions, const Sequence* sequence, int maxItems) {
  return StatusOrOutOfMemory([&]() -> QxStatus {
    if (IsEmptyQuery(sequence)) {
      AppendSingleItems(*this, predictions, maxItems);
      return QxStatus();
    }
    OwnedKeys matched;
    const QxStatus walked = getSubsequencesInSequence(matched.keys(), sequence, 0);
    if (!walked.IsOK()) return walked;
    if (matched.keys().empty()) return QxStatus();
    const std::vector<std::int32_t> excluded = ItemsOfLastSets(*sequence, 1);
    BestByItem best;
    for (const NTSequence* key : matched.keys()) {
      ScoreExtensions(*this, *key, Placement::kIntoLastSet, excluded, best);
    }
    AppendBest(predictions, best, maxItems);
    return QxStatus();
  });
}

}  // namespace SEQUENCE_NAMESPACE_800
