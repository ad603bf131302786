// Rule generation: every held sequence of two or more item sets whose count lies in the band
// yields the rule "all sets but the last => the last set".
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "dictionary/HeldRules.h"
#include "dictionary/SeqAssociationRule.h"
#include "dictionary/SequenceDictionary.h"
#include "foundation/MemoryGuard.h"
#include "foundation/Prefetch.h"
#include "foundation/Resident.h"
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

  void LookUpKeys(const SequenceDictionary& dictionary, const std::vector<NTSequence>& keys,
                  const ISQCPair** found) {
    for (int i = 0; i < size_; ++i) pointers_[i] = &keys[i];
    FindHeldEntries(dictionary, pointers_, size_, found);
  }

  std::vector<NTSequence> antecedents_;
  std::vector<NTSequence> consequents_;
  const ISQCPair* entries_[kBatch];
  const ISQCPair* foundAntecedents_[kBatch];
  const ISQCPair* foundConsequents_[kBatch];
  const NTSequence* pointers_[kBatch];
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
  // The look-ups read the entries; the counters they point to are asked for all at once.
  for (int i = 0; i < batch.size(); ++i) {
    if (batch.antecedent(i) != nullptr) Prefetch(batch.antecedent(i)->value);
    if (batch.consequent(i) != nullptr) Prefetch(batch.consequent(i)->value);
  }
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
    found.push_back({batch.entry(i)->key, antecedent->key, consequent->key,
                     batch.entry(i)->value->getCount(), count / total, confidence, cause});
  }
  batch.clear();
}

// Appends to found the rules of one level in table iteration order. Returns false iff an entry
// has no counter. The walk keeps the next kAhead entries in a ring and asks the caches early for
// what it will read of them: counter and key of the newest, the key's items half-way.
bool CollectLevel(const SequenceDictionary& dictionary, const HashtableSQPair& level,
                  const Bands& bands, RuleBatch& batch, std::vector<HeldRule>& found) {
  constexpr int kAhead = 8;
  const double total = dictionary.getTotalCount();
  const auto end = level.end();
  const ISQCPair* ring[kAhead];  // the entries to come, oldest at head
  int head = 0;
  int queued = 0;
  auto ahead = level.begin();
  for (;;) {
    for (; queued < kAhead && ahead != end; ++ahead) {
      const ISQCPair* next = &*ahead;
      Prefetch(next->value);
      Prefetch(next->key);
      ring[(head + queued++) % kAhead] = next;
    }
    if (queued == 0) break;
    if (queued > kAhead / 2) Prefetch(ring[(head + kAhead / 2) % kAhead]->key->items());
    const ISQCPair* entry = ring[head];
    head = (head + 1) % kAhead;
    --queued;
    const SequenceCounter* counter = entry->value;
    if (counter == nullptr) return false;
    if (!InBand(counter->getCount(), bands.minCount, bands.maxCount)) continue;
    if (bands.query.maximalOnly && counter->getNAdjacent() > 0) continue;
    if (entry->key->getNSets() < 2) continue;
    batch.Add(entry);
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

// A key whose unsigned order is the order of 1.0 - value: the bits of a double with the sign
// bit flipped (and the others too for negative values), zero without its sign, and every NaN
// after every number.
std::uint64_t SortKey(double value) {
  double key = 1.0 - value;
  if (std::isnan(key)) return ~std::uint64_t{0};
  if (key == 0) key = 0;  // -0 and +0 tie
  std::uint64_t bits;
  std::memcpy(&bits, &key, sizeof bits);
  constexpr std::uint64_t kSign = std::uint64_t{1} << 63;
  return (bits & kSign) != 0 ? ~bits : bits | kSign;
}

// The positions of found in order of falling measure (the key 1.0 - value ascending), equal keys
// in generation order, a key that is not a number last. A stable radix sort on the keys, a byte
// at a time from the lowest, skipping the bytes all keys share: generation order breaks ties.
std::vector<std::uint32_t> OrderByMeasure(const std::vector<HeldRule>& found, char sortBy) {
  struct Position {
    std::uint64_t key;
    std::uint32_t index;
  };
  const std::size_t n = found.size();
  std::vector<Position> positions, scratch;
  ResizeBacked(positions, n);
  ResizeBacked(scratch, n);
  std::vector<std::array<std::uint32_t, 256>> counts(8);
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint64_t key = SortKey(MeasureOf(found[i], sortBy));
    positions[i] = {key, static_cast<std::uint32_t>(i)};
    for (int b = 0; b < 8; ++b) ++counts[b][(key >> (8 * b)) & 0xff];
  }
  for (int b = 0; b < 8; ++b) {
    const unsigned shared = (positions[0].key >> (8 * b)) & 0xff;
    if (counts[b][shared] == n) continue;
    std::uint32_t next[256];
    std::uint32_t sum = 0;
    for (int d = 0; d < 256; ++d) {
      next[d] = sum;
      sum += counts[b][d];
    }
    for (const Position& p : positions) scratch[next[(p.key >> (8 * b)) & 0xff]++] = p;
    positions.swap(scratch);
  }
  std::vector<std::uint32_t> order(n);
  for (std::size_t i = 0; i < n; ++i) order[i] = positions[i].index;
  return order;
}

}  // namespace

void FindHeldEntries(const SequenceDictionary& dictionary, const NTSequence* const* keys, int n,
                     const ISQCPair** found) {
  constexpr int kGroup = 256;
  const NTSequence* group[kGroup];
  const ISQCPair* groupFound[kGroup];
  int positions[kGroup];
  for (int first = 0; first < n; first += kGroup) {
    const int count = std::min(kGroup, n - first);
    std::uint64_t sizes = 0;  // the key sizes present, one bit each; longer keys are not held
    for (int i = first; i < first + count; ++i) {
      const std::int32_t size = keys[i]->size();
      if (size >= 0 && size < 64) {
        sizes |= std::uint64_t{1} << size;
      } else {
        found[i] = nullptr;
      }
    }
    while (sizes != 0) {
      const int size = __builtin_ctzll(sizes);
      sizes &= sizes - 1;
      int m = 0;
      for (int i = first; i < first + count; ++i) {
        if (keys[i]->size() == size) {
          positions[m] = i;
          group[m++] = keys[i];
        }
      }
      const HashtableSQPair* table = dictionary.getLevelTable(size);
      if (table == nullptr) {
        std::fill(groupFound, groupFound + m, nullptr);
      } else {
        table->getMany(group, m, groupFound);
      }
      for (int j = 0; j < m; ++j) found[positions[j]] = groupFound[j];
    }
  }
}

QxCommon_940::QxStatus FindHeldRules(const SequenceDictionary& dictionary, const RuleQuery& query,
                                     HeldRules* rules) {
  rules->found_.clear();
  rules->order_.clear();
  const QxStatus status = StatusOrOutOfMemory([&]() -> QxStatus {
    const Bands bands(query, dictionary.getTotalCount());
    std::vector<HeldRule>& found = rules->found_;
    ReserveBacked(found, static_cast<std::size_t>(dictionary.CountSequencesBiggerThan(2)));
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
    if (!found.empty() && IsSortKey(query.sortBy)) {
      rules->order_ = OrderByMeasure(found, query.sortBy);
    }
    return QxStatus();
  });
  if (!status.IsOK() || rules->order_.empty()) {
    std::vector<HeldRule>().swap(rules->found_);
    rules->order_.clear();
  }
  return status;
}

QxCommon_940::QxStatus SequenceDictionary::GetRules(std::vector<SeqAssociationRule>& rules,
                                                    double minSupport, double maxSupport,
                                                    double minConfidence, double maxConfidence,
                                                    double minCause, double maxCause, char sortBy,
                                                    bool maximalOnly) {
  const RuleQuery query{minSupport, maxSupport, minConfidence, maxConfidence,
                        minCause,   maxCause,   sortBy,        maximalOnly};
  HeldRules held;
  const QxStatus status = FindHeldRules(*this, query, &held);
  if (!status.IsOK() || held.empty()) return status;
  const size_t before = rules.size();
  const QxStatus copied = StatusOrOutOfMemory([&]() -> QxStatus {
    rules.reserve(before + held.size());
    for (std::size_t i = 0; i < held.size(); ++i) {
      held.Prefetch(i);
      const HeldRule& rule = held[i];
      rules.emplace_back(*rule.whole, rule.support, rule.confidence, rule.cause);
    }
    return QxStatus();
  });
  if (!copied.IsOK()) rules.erase(rules.begin() + static_cast<std::ptrdiff_t>(before), rules.end());
  return copied;
}

}  // namespace SEQUENCE_NAMESPACE_800
