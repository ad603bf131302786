// PMML rules export: not available yet in this build.
#include <ostream>

#include "dictionary/SequenceDictionary.h"

namespace SEQUENCE_NAMESPACE_800 {

QxCommon_940::QxStatus SequenceDictionary::ExportRulesXML(std::ostream&, double, double, double,
                                                          double, double, double, int, double,
                                                          char, bool) {
  return QxStatus(QxStatus::kOutOfMemory, false);
}

}  // namespace SEQUENCE_NAMESPACE_800
