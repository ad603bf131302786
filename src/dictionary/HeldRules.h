// The rules of a dictionary as references to its own entries: what GetRules finds, before any
// rule is copied out. The exports and the rules CSV read rules this way, without building a
// Sequence per rule.
#ifndef CARMASEQ_DICTIONARY_HELDRULES_H_
#define CARMASEQ_DICTIONARY_HELDRULES_H_

#include <vector>

#include "foundation/QxStatus.h"
#include "foundation/Visibility.h"

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

// One rule: the held entries of its whole sequence, of its antecedent (every item set of the
// whole but the last) and of its consequent (the last item set alone), each with a counter, and
// the rule's measures. The entries belong to the dictionary and stay valid while its tables do
// not change.
struct HeldRule {
  const ISQCPair* whole;
  const ISQCPair* antecedent;
  const ISQCPair* consequent;
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

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_DICTIONARY_HELDRULES_H_
