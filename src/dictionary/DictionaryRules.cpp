// Rule generation: every held sequence of two or more item sets whose count lies in the band
// yields the rule "all sets but the last => the last set".
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>
#include <utility>
#include <vector>

#include "dictionary/SeqAssociationRule.h"
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

using QxCommon_940::QxStatus;

// The caller's thresholds, with the support band turned into counts.
struct RuleBands {
  double minCount;
  double maxCount;
  double minConfidence;
  double maxConfidence;
  double minCause;
  double maxCause;
  bool maximalOnly;
};

bool InBand(double value, double low, double high) { return low <= value && value <= high; }

// A rule found in the level walk: the whole sequence's stored key (the tables do not change
// while GetRules runs) and its three measures. The rule's sequences are built only for output.
struct FoundRule {
  const NTSequence* key;
  double support;
  double confidence;
  double cause;
};

// The item sets of a key as counted arrays (element 0 the item count, then the items), so that
// its antecedent and consequent are looked up in the dictionary's scratch key. Reused from key
// to key without allocating once its buffers are large enough.
class KeySets {
 public:
  void Assign(const NTSequence& key) {
    buffer_.resize(static_cast<size_t>(key.size() + key.getNSets()));
    sets_.resize(static_cast<size_t>(key.getNSets()));
    WriteCountedSets(key, buffer_.data(), sets_.data());
  }

  int** sets() { return sets_.data(); }

  // Sets first..last-1 as a Sequence whose item sets all have time 0.
  Sequence ToSequence(int first, int last) const {
    Sequence sequence(last - first);
    for (int s = first; s < last; ++s) {
      TimedItemSet set(0, 0.0);
      set.AddAllItems(sets_[s] + 1, sets_[s][0], 0.0);
      sequence.AddTimedItemSet(&set);
    }
    return sequence;
  }

 private:
  std::vector<int> buffer_;
  std::vector<int*> sets_;
};

// Appends to found the rules of one level in table iteration order. Returns false iff an entry
// has no counter.
bool CollectLevel(SequenceDictionary& dictionary, const HashtableSQPair& level,
                  const RuleBands& bands, KeySets& sets, std::vector<FoundRule>& found) {
  const double total = dictionary.getTotalCount();
  for (auto it = level.begin(); it != level.end(); ++it) {
    const SequenceCounter* counter = it->value;
    if (counter == nullptr) return false;
    const double count = counter->getCount();
    if (!InBand(count, bands.minCount, bands.maxCount)) continue;
    if (bands.maximalOnly && counter->getNAdjacent() > 0) continue;
    const NTSequence& key = *it->key;
    const int n = key.getNSets();
    if (n < 2) continue;
    sets.Assign(key);
    const SequenceCounter* antecedent = dictionary.getDescriptor(sets.sets(), n - 1);
    if (antecedent == nullptr) continue;
    const double confidence = count / antecedent->getCount();
    if (!InBand(confidence, bands.minConfidence, bands.maxConfidence)) continue;
    const SequenceCounter* consequent = dictionary.getDescriptor(sets.sets() + n - 1, 1);
    if (consequent == nullptr) continue;
    const double cause = count / consequent->getCount();
    if (!InBand(cause, bands.minCause, bands.maxCause)) continue;
    found.push_back({&key, count / total, confidence, cause});
  }
  return true;
}

bool IsSortKey(char sortBy) { return sortBy == 'S' || sortBy == 'C' || sortBy == 'A'; }

double MeasureOf(const FoundRule& rule, char sortBy) {
  switch (sortBy) {
    case 'S':
      return rule.support;
    case 'C':
      return rule.confidence;
    default:
      return rule.cause;
  }
}

// Appends found to rules by falling measure (the key 1.0 - value ascending), equal keys in
// generation order. A key that is not a number sorts last.
void AppendSorted(std::vector<SeqAssociationRule>& rules, const std::vector<FoundRule>& found,
                  char sortBy, KeySets& sets) {
  std::vector<std::pair<double, size_t>> order;
  order.reserve(found.size());
  for (size_t i = 0; i < found.size(); ++i) {
    order.emplace_back(1.0 - MeasureOf(found[i], sortBy), i);
  }
  const auto keyLess = [](double a, double b) {
    return !std::isnan(a) && (std::isnan(b) || a < b);
  };
  std::sort(order.begin(), order.end(), [&](const auto& a, const auto& b) {
    if (keyLess(a.first, b.first)) return true;
    if (keyLess(b.first, a.first)) return false;
    return a.second < b.second;
  });
  rules.reserve(rules.size() + found.size());
  for (const auto& entry : order) {
    const FoundRule& rule = found[entry.second];
    const int n = rule.key->getNSets();
    sets.Assign(*rule.key);
    rules.emplace_back(sets.ToSequence(0, n - 1), sets.ToSequence(n - 1, n), rule.support,
                       rule.confidence, rule.cause, /*joinType=*/1);
  }
}

}  // namespace

QxCommon_940::QxStatus SequenceDictionary::GetRules(std::vector<SeqAssociationRule>& rules,
                                                    double minSupport, double maxSupport,
                                                    double minConfidence, double maxConfidence,
                                                    double minCause, double maxCause, char sortBy,
                                                    bool maximalOnly) {
  const size_t before = rules.size();
  const QxStatus status = StatusOrOutOfMemory([&]() -> QxStatus {
    // The count band: the lower end truncated, the upper end rounded. Kept in double so that an
    // extreme fraction cannot overflow an integer.
    const double total = getTotalCount();
    const RuleBands bands{std::trunc(total * minSupport),
                          std::trunc(total * maxSupport + 0.5),
                          minConfidence,
                          maxConfidence,
                          minCause,
                          maxCause,
                          maximalOnly};
    std::vector<FoundRule> found;
    KeySets sets;
    const int largest = LargestSequence();
    for (int k = 2; k <= largest; ++k) {
      if (cancel_) return QxStatus(QxStatus::kCancelled, false);
      const HashtableSQPair* level = getLevelTable(k);
      if (level == nullptr) continue;
      if (!CollectLevel(*this, *level, bands, sets, found)) {
        return QxStatus(QxStatus::kOutOfMemory, false);
      }
    }
    if (!found.empty() && IsSortKey(sortBy)) AppendSorted(rules, found, sortBy, sets);
    return QxStatus();
  });
  if (status.GetErrorCode() == QxStatus::kOutOfMemory) {
    rules.erase(rules.begin() + static_cast<std::ptrdiff_t>(before), rules.end());
  }
  return status;
}

}  // namespace SEQUENCE_NAMESPACE_800
