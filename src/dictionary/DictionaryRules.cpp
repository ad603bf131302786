// Rule generation: not available yet in this build.
#include <vector>

#include "dictionary/SeqAssociationRule.h"
#include "dictionary/SequenceDictionary.h"

namespace SEQUENCE_NAMESPACE_800 {

QxCommon_940::QxStatus SequenceDictionary::GetRules(std::vector<SeqAssociationRule>&, double,
                                                    double, double, double, double, double, char,
                                                    bool) {
  return QxStatus(QxStatus::kOutOfMemory, false);
}

}  // namespace SEQUENCE_NAMESPACE_800
