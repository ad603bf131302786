// Item prediction: not available yet in this build.
#include <vector>

#include "dictionary/SeqConsequentDescriptor.h"
#include "dictionary/SequenceDictionary.h"

namespace SEQUENCE_NAMESPACE_800 {

QxCommon_940::QxStatus SequenceDictionary::GetCurrentItems(std::vector<SeqConsequentDescriptor>&,
                                                           const Sequence*, int) {
  return QxStatus(QxStatus::kOutOfMemory, false);
}

QxCommon_940::QxStatus SequenceDictionary::GetFutureItems(std::vector<SeqConsequentDescriptor>&,
                                                          const Sequence*, int, bool) {
  return QxStatus(QxStatus::kOutOfMemory, false);
}

}  // namespace SEQUENCE_NAMESPACE_800
