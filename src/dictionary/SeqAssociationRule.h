// A sequential association rule: an antecedent sequence followed by a consequent item set.
#ifndef CARMASEQ_DICTIONARY_SEQASSOCIATIONRULE_H_
#define CARMASEQ_DICTIONARY_SEQASSOCIATIONRULE_H_

#include <cstdint>

#include "foundation/Visibility.h"
#include "sequence/Sequence.h"

namespace SEQUENCE_NAMESPACE_800 {

class NTSequence;

// support = count(whole) / N; confidence = count(whole) / count(antecedent);
// cause = count(whole) / count(consequent). Join type 1: the consequent follows in a later item
// set; 0: its first set belongs to the antecedent's last one. Owns deep copies of both
// sequences. Copyable (deep).
class CARMASEQ_EXPORT SeqAssociationRule {
 public:
  SeqAssociationRule(const Sequence& antecedent, const Sequence& consequent, double support,
                     double confidence, double cause, int joinType);
  // The rule of a held key of at least two item sets: every set but the last, then the last
  // set, all with time 0 and join type 1.
  SeqAssociationRule(const NTSequence& whole, double support, double confidence, double cause);
  SeqAssociationRule(const SeqAssociationRule& other);
  SeqAssociationRule& operator=(const SeqAssociationRule& other);
  ~SeqAssociationRule();

  const Sequence& GetAntecedent() const { return antecedent_; }
  const Sequence& GetConsequent() const { return consequent_; }
  double GetSupport() const { return support_; }
  double GetConfidence() const { return confidence_; }
  double GetCause() const { return cause_; }
  std::int32_t GetJoinType() const { return joinType_; }

  // Debug print to standard output with precision 4.
  void Display() const;

 private:
  Sequence antecedent_;
  Sequence consequent_;
  double support_;
  double confidence_;
  double cause_;
  std::int32_t joinType_;
};

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_DICTIONARY_SEQASSOCIATIONRULE_H_
