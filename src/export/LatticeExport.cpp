// Lattice export: not available yet in this build.
#include <ostream>

#include "dictionary/SequenceDictionary.h"

namespace SEQUENCE_NAMESPACE_800 {

QxCommon_940::QxStatus SequenceDictionary::ExportLatticeXML(std::ostream&, double) {
  return QxStatus(QxStatus::kOutOfMemory, false);
}

}  // namespace SEQUENCE_NAMESPACE_800
