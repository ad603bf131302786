// The rules of a dictionary as references to its own entries: what GetRules finds, before any
// rule is copied out. The exports and the rules CSV read rules this way, without building a
// Sequence per rule.
#ifndef CARMASEQ_DICTIONARY_HELDRULES_H_
#define CARMASEQ_DICTIONARY_HELDRULES_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "foundation/QxStatus.h"
#include "foundation/Visibility.h"
#include "sequence/NTSequence.h"

namespace SEQUENCE_NAMESPACE_800 {

class HeldRules;
class SequenceDictionary;
struct ISQCPair;

// The thresholds and order of a rule query, with the meaning GetRules gives its arguments:
// inclusive bands of support (a share of N), confidence and cause; sortBy 'S', 'C' or 'A';
// maximalOnly keeps sequences without one-item extensions.
struct RuleQuery {
  double minSupport = 0;
  double maxSupport = 1;
  double minConfidence = 0;
  double maxConfidence = 1;
  double minCause = 0;
  double maxCause = 1;
  char sortBy = 'C';
  bool maximalOnly = false;
};

// One rule: the held keys of its whole sequence, of its antecedent (every item set of the whole
// but the last) and of its consequent (the last item set alone), the whole sequence's count and
// the rule's measures. The keys belong to the dictionary and stay valid while its tables do not
// change.
struct HeldRule {
  const NTSequence* whole;
  const NTSequence* antecedent;
  const NTSequence* consequent;
  std::int32_t count;
  double support;
  double confidence;
  double cause;
};

// Sets *rules to the rules that GetRules with the same thresholds would append, in the same
// order and with the same measures. Returns the status GetRules would return (cancelled, an
// entry without a counter, memory running out); *rules is then empty.
CARMASEQ_EXPORT QxCommon_940::QxStatus FindHeldRules(const SequenceDictionary& dictionary,
                                                     const RuleQuery& query, HeldRules* rules);

// The rules of one query in the query's order: the rules as the level walk found them and the
// order that the query's measure gives them, so that sorting moves no rule. Movable.
class CARMASEQ_EXPORT HeldRules {
 public:
  std::size_t size() const { return order_.size(); }
  bool empty() const { return order_.empty(); }
  // The i-th rule in the query's order. REQUIRES: i < size().
  const HeldRule& operator[](std::size_t i) const { return found_[order_[i]]; }

  // For a walk over the rules in order: asks the caches for the rule 16 ahead of i, for the whole
  // key of the one 8 ahead and for that key's items 4 ahead, so that the misses of reading rules
  // in an order that is not the order of memory overlap instead of coming one after another.
  // Always inlined: a call left standing would count as free of effects and be dropped.
  [[gnu::always_inline]] void Prefetch(std::size_t i) const {
#if defined(__GNUC__)
    if (i + 16 < order_.size()) __builtin_prefetch(&found_[order_[i + 16]]);
    if (i + 8 < order_.size()) __builtin_prefetch(found_[order_[i + 8]].whole);
    if (i + 4 < order_.size()) __builtin_prefetch(found_[order_[i + 4]].whole->items());
#else
    (void)i;
#endif
  }

 private:
  friend QxCommon_940::QxStatus FindHeldRules(const SequenceDictionary&, const RuleQuery&,
                                              HeldRules*);

  std::vector<HeldRule> found_;       // in the order of the level walk
  std::vector<std::uint32_t> order_;  // positions in found_, in the query's order
};

// Sets found[i] to the dictionary's entry for *keys[i], or to null when it holds none, for
// i < n. The keys are looked up together, those of one size in one table at a time, so that
// their cache misses overlap. REQUIRES: n >= 0; keys[0..n) not null.
CARMASEQ_EXPORT void FindHeldEntries(const SequenceDictionary& dictionary,
                                     const NTSequence* const* keys, int n, const ISQCPair** found);

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_DICTIONARY_HELDRULES_H_
