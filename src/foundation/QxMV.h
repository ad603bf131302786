// The missing-value marker: the most negative finite double marks a double that has no value.
#ifndef CARMASEQ_FOUNDATION_QXMV_H_
#define CARMASEQ_FOUNDATION_QXMV_H_

#include "foundation/Visibility.h"

namespace QxCommon_940 {

// -1.7976931348623157e308, IEEE bits 0xFFEFFFFFFFFFFFFF.
inline constexpr double gMissingValue = -1.7976931348623157e308;

class CARMASEQ_EXPORT QxMV {
 public:
  static double Missing() { return gMissingValue; }
  // True iff x is exactly the marker (no tolerance).
  static bool IsMissing(double x) { return x == gMissingValue; }
};

}  // namespace QxCommon_940

#endif  // CARMASEQ_FOUNDATION_QXMV_H_
