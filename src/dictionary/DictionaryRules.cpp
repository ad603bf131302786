// Rule generation: every held sequence of two or more item sets whose count lies in the band
// yields the rule "all sets but the last => the last set".
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>
#include <utility>
#include <vector>

#include "dictionary/HeldRules.h"
#include "dictionary/SeqAssociationRule.h"
#include "dictionary/SequenceDictionary.h"
#include "foundation/MemoryGuard.h"
#include "sequence/HashtableSQPair.h"
#include "sequence/NTSequence.h"
#include "sequence/SequenceCounter.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

using QxCommon_940::QxStatus;

bool InBand(double value, double low, double high) { return low <= value && value <= high; }

// Both look-ups of a rule go through HashtableSQPair::getMany, a batch at a time, so that their
// cache misses overlap instead of following one another.
constexpr int kBatch = 256;

// The parts of held keys that a batch looks up: for each candidate entry the key of its
// antecedent (every set but the last) and of its consequent (the last set). The keys are rebuilt
// in place from batch to batch.
class RuleBatch {
 public:
  RuleBatch() : antecedents_(kBatch), consequents_(kBatch) {}

  int size() const { return size_; }
  bool full() const { return size_ == kBatch; }
  void clear() { size_ = 0; }

  // Adds the entry of a held key of at least two item sets.
  void Add(const ISQCPair* entry) {
    const NTSequence& key = *entry->key;
    const std::int32_t size = key.size();
    const auto pattern = static_cast<std::uint32_t>(key.getPattern());
    // Bit 0 ends the last set; the next set bit ends the one before it.
    const auto last = static_cast<std::int32_t>(__builtin_ctz(pattern & (pattern - 1)));
    Rebuild(&antecedents_[size_], key.items(), size - last, key.getNSets() - 1, pattern >> last);
    Rebuild(&consequents_[size_], key.items() + (size - last), last, 1, 1);
    entries_[size_++] = entry;
  }

  const ISQCPair* entry(int i) const { return entries_[i]; }

  // Looks up every antecedent and consequent of the batch; null where the dictionary holds none.
  void LookUp(const SequenceDictionary& dictionary) {
    LookUpKeys(dictionary, antecedents_, foundAntecedents_);
    LookUpKeys(dictionary, consequents_, foundConsequents_);
  }
  const ISQCPair* antecedent(int i) const { return foundAntecedents_[i]; }
  const ISQCPair* consequent(int i) const { return foundConsequents_[i]; }

 private:
  static void Rebuild(NTSequence* key, const std::int32_t* items, std::int32_t size,
                      std::int32_t sets, std::uint32_t pattern) {
    PackedSequence packed;
    packed.size = size;
    packed.nSets = sets;
    packed.pattern = static_cast<std::int32_t>(pattern);
    packed.hashCode = NTSequence::ComputeHashCode(items, size, packed.pattern);
    packed.items = items;
    key->reuseAs(&packed);
  }

  // Each key is looked up in the table of its size, the keys of one size together.
  void LookUpKeys(const SequenceDictionary& dictionary, const std::vector<NTSequence>& keys,
                  const ISQCPair** found) {
    std::uint64_t sizes = 0;
    for (int i = 0; i < size_; ++i) sizes |= std::uint64_t{1} << keys[i].size();
    while (sizes != 0) {
      const int size = __builtin_ctzll(sizes);
      sizes &= sizes - 1;
      int n = 0;
      for (int i = 0; i < size_; ++i) {
        if (keys[i].size() == size) {
          positions_[n] = i;
          group_[n++] = &keys[i];
        }
      }
      const HashtableSQPair* table = dictionary.getLevelTable(size);
      if (table == nullptr) {
        std::fill(groupFound_, groupFound_ + n, nullptr);
      } else {
        table->getMany(group_, n, groupFound_);
      }
      for (int j = 0; j < n; ++j) found[positions_[j]] = groupFound_[j];
    }
  }

  std::vector<NTSequence> antecedents_;
  std::vector<NTSequence> consequents_;
  const ISQCPair* entries_[kBatch];
  const ISQCPair* foundAntecedents_[kBatch];
  const ISQCPair* foundConsequents_[kBatch];
  // One size's keys during LookUpKeys.
  const NTSequence* group_[kBatch];
  const ISQCPair* groupFound_[kBatch];
  int positions_[kBatch];
  int size_ = 0;
};

// The query with its support band turned into counts: the lower end truncated, the upper end
// rounded. Kept in double so that an extreme fraction cannot overflow an integer.
struct Bands {
  Bands(const RuleQuery& query, double total)
      : minCount(std::trunc(total * query.minSupport)),
        maxCount(std::trunc(total * query.maxSupport + 0.5)),
        query(query) {}
  double minCount;
  double maxCount;
  const RuleQuery& query;
};

// Appends to found the rules of the batch's entries that pass the confidence and cause bands, in
// batch order, and empties the batch.
void FinishBatch(const SequenceDictionary& dictionary, const Bands& bands, double total,
                 RuleBatch& batch, std::vector<HeldRule>& found) {
  batch.LookUp(dictionary);
  for (int i = 0; i < batch.size(); ++i) {
    const ISQCPair* antecedent = batch.antecedent(i);
    const ISQCPair* consequent = batch.consequent(i);
    if (antecedent == nullptr || antecedent->value == nullptr) continue;
    if (consequent == nullptr || consequent->value == nullptr) continue;
    const double count = batch.entry(i)->value->getCount();
    const double confidence = count / antecedent->value->getCount();
    if (!InBand(confidence, bands.query.minConfidence, bands.query.maxConfidence)) continue;
    const double cause = count / consequent->value->getCount();
    if (!InBand(cause, bands.query.minCause, bands.query.maxCause)) continue;
    found.push_back({batch.entry(i), antecedent, consequent, count / total, confidence, cause});
  }
  batch.clear();
}

// Appends to found the rules of one level in table iteration order. Returns false iff an entry
// has no counter.
bool CollectLevel(const SequenceDictionary& dictionary, const HashtableSQPair& level,
                  const Bands& bands, RuleBatch& batch, std::vector<HeldRule>& found) {
  const double total = dictionary.getTotalCount();
  for (auto it = level.begin(); it != level.end(); ++it) {
    const SequenceCounter* counter = it->value;
    if (counter == nullptr) return false;
    if (!InBand(counter->getCount(), bands.minCount, bands.maxCount)) continue;
    if (bands.query.maximalOnly && counter->getNAdjacent() > 0) continue;
    if (it->key->getNSets() < 2) continue;
    batch.Add(&*it);
    if (batch.full()) FinishBatch(dictionary, bands, total, batch, found);
  }
  FinishBatch(dictionary, bands, total, batch, found);
  return true;
}

bool IsSortKey(char sortBy) { return sortBy == 'S' || sortBy == 'C' || sortBy == 'A'; }

double MeasureOf(const HeldRule& rule, char sortBy) {
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
void AppendSorted(const std::vector<HeldRule>& found, char sortBy, std::vector<HeldRule>* rules) {
  std::vector<std::pair<double, std::uint32_t>> order;
  order.reserve(found.size());
  for (std::size_t i = 0; i < found.size(); ++i) {
    order.emplace_back(1.0 - MeasureOf(found[i], sortBy), static_cast<std::uint32_t>(i));
  }
  const auto keyLess = [](double a, double b) {
    return !std::isnan(a) && (std::isnan(b) || a < b);
  };
  std::sort(order.begin(), order.end(), [&](const auto& a, const auto& b) {
    if (keyLess(a.first, b.first)) return true;
    if (keyLess(b.first, a.first)) return false;
    return a.second < b.second;
  });
  rules->reserve(rules->size() + found.size());
  for (const auto& entry : order) rules->push_back(found[entry.second]);
}

}  // namespace

QxCommon_940::QxStatus FindHeldRules(const SequenceDictionary& dictionary, const RuleQuery& query,
                                     std::vector<HeldRule>* rules) {
  const std::size_t before = rules->size();
  const QxStatus status = StatusOrOutOfMemory([&]() -> QxStatus {
    const Bands bands(query, dictionary.getTotalCount());
    std::vector<HeldRule> found;
    RuleBatch batch;
    const int largest = dictionary.LargestSequence();
    for (int k = 2; k <= largest; ++k) {
      if (dictionary.isCancelled()) return QxStatus(QxStatus::kCancelled, false);
      const HashtableSQPair* level = dictionary.getLevelTable(k);
      if (level == nullptr) continue;
      if (!CollectLevel(dictionary, *level, bands, batch, found)) {
        return QxStatus(QxStatus::kOutOfMemory, false);
      }
    }
    if (!found.empty() && IsSortKey(query.sortBy)) AppendSorted(found, query.sortBy, rules);
    return QxStatus();
  });
  if (!status.IsOK()) rules->resize(before);
  return status;
}

QxCommon_940::QxStatus SequenceDictionary::GetRules(std::vector<SeqAssociationRule>& rules,
                                                    double minSupport, double maxSupport,
                                                    double minConfidence, double maxConfidence,
                                                    double minCause, double maxCause, char sortBy,
                                                    bool maximalOnly) {
  const RuleQuery query{minSupport, maxSupport, minConfidence, maxConfidence,
                        minCause,   maxCause,   sortBy,        maximalOnly};
  std::vector<HeldRule> held;
  const QxStatus status = FindHeldRules(*this, query, &held);
  if (!status.IsOK() || held.empty()) return status;
  const size_t before = rules.size();
  const QxStatus copied = StatusOrOutOfMemory([&]() -> QxStatus {
    rules.reserve(before + held.size());
    for (const HeldRule& rule : held) {
      rules.emplace_back(*rule.whole->key, rule.support, rule.confidence, rule.cause);
    }
    return QxStatus();
  });
  if (!copied.IsOK()) rules.erase(rules.begin() + static_cast<std::ptrdiff_t>(before), rules.end());
  return copied;
}

}  // namespace SEQUENCE_NAMESPACE_800
