// The query interface of a counted sequence lattice.
#ifndef CARMASEQ_DICTIONARY_SEQUENCESEMILATTICE_H_
#define CARMASEQ_DICTIONARY_SEQUENCESEMILATTICE_H_

#include <iosfwd>
#include <set>
#include <vector>

#include "foundation/QxStatus.h"
#include "foundation/Visibility.h"

namespace SEQUENCE_NAMESPACE_800 {

class Sequence;
class SeqAssociationRule;
class SeqConsequentDescriptor;

// Searches, counters, exports, predictions and rules, in this slot order. Queries append to the
// caller's containers and never clear them; objects they create belong to the caller.
// Implementations are not deleted through this interface.
class CARMASEQ_EXPORT SequenceSemiLattice {
 public:
  using QxStatus = QxCommon_940::QxStatus;

  virtual QxStatus FindSequences(const Sequence* query, std::set<Sequence*>& found, int minCount,
                                 int maxCount) = 0;
  virtual int NumberOfSequences() const = 0;
  virtual int LargestSequence() const = 0;
  virtual int CountSequencesOfSize(int k) const = 0;
  virtual int CountSequencesBiggerThan(int k) const = 0;
  virtual QxStatus ExportLatticeXML(std::ostream& os, double minSupport) = 0;
  virtual QxStatus ExportRulesXML(std::ostream& os, double minSupport, double maxSupport,
                                  double minConfidence, double maxConfidence, double minCause,
                                  double maxCause, int maxNumberOfItemsPerTransaction,
                                  double avgNumberOfItemsPerTransaction, char sortBy,
                                  bool maximalOnly) = 0;
  virtual QxStatus FindSequencesBeginning(const Sequence* query, std::set<Sequence*>& found,
                                          int minCount, int maxCount) = 0;
  virtual QxStatus FindSequencesEnding(const Sequence* query, std::set<Sequence*>& found,
                                       int minCount, int maxCount) = 0;
  virtual QxStatus GetCurrentItems(std::vector<SeqConsequentDescriptor>& predictions,
                                   const Sequence* sequence, int maxItems) = 0;
  virtual QxStatus GetFutureItems(std::vector<SeqConsequentDescriptor>& predictions,
                                  const Sequence* sequence, int maxItems,
                                  bool wholeSequenceOnly) = 0;
  virtual QxStatus GetRules(std::vector<SeqAssociationRule>& rules, double minSupport,
                            double maxSupport, double minConfidence, double maxConfidence,
                            double minCause, double maxCause, char sortBy, bool maximalOnly) = 0;

 protected:
  ~SequenceSemiLattice() = default;
};

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_DICTIONARY_SEQUENCESEMILATTICE_H_
