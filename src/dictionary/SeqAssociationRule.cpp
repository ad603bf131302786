#include "dictionary/SeqAssociationRule.h"

#include <iostream>

#include "sequence/KeyItemSets.h"
#include "sequence/NTSequence.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

// Prints "<(1 2)(3)>" and a line end.
void PrintSequence(const Sequence& sequence) {
  std::cout << "<";
  for (int i = 0; i < sequence.Length(); ++i) {
    const TimedItemSet& set = sequence[i];
    std::cout << "(";
    for (auto it = set.Begin(); it != set.End(); ++it) {
      if (it != set.Begin()) std::cout << " ";
      std::cout << *it;
    }
    std::cout << ")";
  }
  std::cout << ">\n";
}

// The set that the sets of new rules are copied from, reused so that building a rule allocates
// only what the rule keeps.
TimedItemSet& ScratchSet() {
  thread_local TimedItemSet set(0, 0.0);
  return set;
}

}  // namespace

SeqAssociationRule::SeqAssociationRule(const NTSequence& whole, double support, double confidence,
                                       double cause)
    : antecedent_(whole.getNSets() - 1),
      consequent_(1),
      support_(support),
      confidence_(confidence),
      cause_(cause),
      joinType_(1) {
  TimedItemSet& set = ScratchSet();
  const int last = whole.getNSets() - 1;
  int index = 0;
  ForEachItemSet(whole, [&](ItemSpan span) {
    set.AddAllItems(span.items, span.count, 0.0);
    (index++ < last ? antecedent_ : consequent_).AddTimedItemSet(&set);
  });
}

SeqAssociationRule::SeqAssociationRule(const Sequence& antecedent, const Sequence& consequent,
                                       double support, double confidence, double cause,
                                       int joinType)
    : antecedent_(antecedent),
      consequent_(consequent),
      support_(support),
      confidence_(confidence),
      cause_(cause),
      joinType_(joinType) {}

SeqAssociationRule::SeqAssociationRule(const SeqAssociationRule& other)
    : antecedent_(other.antecedent_),
      consequent_(other.consequent_),
      support_(other.support_),
      confidence_(other.confidence_),
      cause_(other.cause_),
      joinType_(other.joinType_) {}

SeqAssociationRule& SeqAssociationRule::operator=(const SeqAssociationRule& other) {
  if (this == &other) return *this;
  // Sequence assignment appends, so empty both sides before copying.
  antecedent_.Clear();
  antecedent_ = other.antecedent_;
  consequent_.Clear();
  consequent_ = other.consequent_;
  support_ = other.support_;
  confidence_ = other.confidence_;
  cause_ = other.cause_;
  joinType_ = other.joinType_;
  return *this;
}

SeqAssociationRule::~SeqAssociationRule() = default;

void SeqAssociationRule::Display() const {
  std::cout.precision(4);
  PrintSequence(antecedent_);
  std::cout << (joinType_ == 1 ? "=>\n" : "&\n");
  PrintSequence(consequent_);
  std::cout << "Support " << support_ << " Confidence " << confidence_ << " Cause " << cause_
            << "\n";
}

}  // namespace SEQUENCE_NAMESPACE_800
