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

// Appends to *rules the rules that GetRules with the same thresholds would append, in the same
// order and with the same measures. Returns the status GetRules would return (cancelled, an
// entry without a counter, memory running out); *rules is then unchanged.
CARMASEQ_EXPORT QxCommon_940::QxStatus FindHeldRules(const SequenceDictionary& dictionary,
                                                     const RuleQuery& query,
                                                     std::vector<HeldRule>* rules);

// Sets found[i] to the dictionary's entry for *keys[i], or to null when it holds none, for
// i < n. The keys are looked up together, those of one size in one table at a time, so that
// their cache misses overlap. REQUIRES: n >= 0; keys[0..n) not null.
CARMASEQ_EXPORT void FindHeldEntries(const SequenceDictionary& dictionary,
                                     const NTSequence* const* keys, int n, const ISQCPair** found);

// For a walk over rules in order: asks the caches for the whole key of the rule 8 ahead of i and
// for the items of the one 4 ahead, so that the misses of reading keys in rule order (which is
// not the order of memory) overlap instead of coming one after another. Always inlined: a call
// left standing would count as free of effects and be dropped.
[[gnu::always_inline]] inline void PrefetchHeldRules(const std::vector<HeldRule>& rules,
                                                     std::size_t i) {
#if defined(__GNUC__)
  if (i + 8 < rules.size()) __builtin_prefetch(rules[i + 8].whole);
  if (i + 4 < rules.size()) __builtin_prefetch(rules[i + 4].whole->items());
#else
  (void)rules;
  (void)i;
#endif
}

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_DICTIONARY_HELDRULES_H_
