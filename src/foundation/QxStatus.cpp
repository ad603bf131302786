#include "foundation/QxStatus.h"

namespace QxCommon_940 {

QxStatus::QxStatus(std::int32_t code, bool isWarning)
    : code_(code), severity_(isWarning ? 1 : -1) {}

bool QxStatus::operator==(const QxStatus& other) const {
  if (code_ != other.code_ || severity_ != other.severity_) return false;
  for (int i = 0; i < 3; ++i) {
    if (discrete_[i] != other.discrete_[i] || !(scale_[i] == other.scale_[i])) return false;
  }
  return true;
}

QxStatus QxStatus::IndexError(std::int32_t index, std::int32_t count) {
  QxStatus status(kIndexOutOfRange, false);
  status.SetDiscreteDatum(0, index);
  status.SetDiscreteDatum(1, count);
  return status;
}

}  // namespace QxCommon_940
