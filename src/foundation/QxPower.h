// Guarded arithmetic: powers, exponentials and products that report overflow and underflow
// instead of producing infinities.
#ifndef CARMASEQ_FOUNDATION_QXPOWER_H_
#define CARMASEQ_FOUNDATION_QXPOWER_H_

#include "foundation/Visibility.h"

namespace QxMath_940 {

inline constexpr double gMachineEpsilon = 2.220446049250313e-16;  // 2 to the power -52
inline constexpr double gMachineMaxInt = 2147483647;
inline constexpr double gMachineMaxExp = 709.0;    // largest argument passed to exp
inline constexpr double gMachineMinExp = -708.39;  // smallest argument passed to exp

enum PowerStatus {
  PowerOK = 0,
  PowerUnderflow = 1,
  PowerOverflow = 2,
  PowerNegativeOverflow = 3,
  PowerNegativeBaseNonInteger = 4,
  PowerNegativeBaseZeroExponent = 5,
  PowerZeroBaseNegativeExponent = 6,
  PowerZeroToZero = 7,
};

// Static operations only. Results that overflow take the missing-value marker.
class CARMASEQ_EXPORT QxPower {
 public:
  static double MaxExp() { return gMachineMaxExp; }
  static double MinExp() { return gMachineMinExp; }
  static double MaxInt() { return gMachineMaxInt; }
  static double MEpsilon() { return gMachineEpsilon; }

  static bool ExpOverflow(double x) { return x > gMachineMaxExp; }
  static bool ExpUnderflow(double x) { return x < gMachineMinExp; }

  // Integer tests bounded above by gMachineMaxInt (there is no lower bound).
  static bool IsInteger(double x);
  static bool IsEvenInteger(double x);
  static bool IsOddInteger(double x);

  // Relative comparison: true iff |(|a| - |b|)| / max(|a|, |b|) <= k * epsilon, with zero equal
  // only to zero and opposite signs never equal.
  static bool AlmostEqual(double a, double b, double k);
  static bool IsOneOverOddInteger(double y, double k);
  static bool IsOneOverEvenInteger(double y, double k);

  // x to the power y into *result; see PowerStatus for the guarded cases.
  static PowerStatus Power(double x, double y, double& result);
  // e to the power x into result.
  static PowerStatus Exponent(double x, double& result);
  // a times b through logarithms; 0 on underflow, the missing value on overflow.
  static double Multiply(double a, double b);
};

}  // namespace QxMath_940

#endif  // CARMASEQ_FOUNDATION_QXPOWER_H_
