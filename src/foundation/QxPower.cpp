#include "foundation/QxPower.h"

#include <cmath>

#include "foundation/QxMV.h"

namespace QxMath_940 {

using QxCommon_940::gMissingValue;

bool QxPower::IsInteger(double x) { return x <= gMachineMaxInt && std::floor(x) == x; }

bool QxPower::IsEvenInteger(double x) {
  return x <= gMachineMaxInt && std::floor(x) == x && std::floor(x / 2) == x / 2;
}

bool QxPower::IsOddInteger(double x) {
  if (!(x <= gMachineMaxInt) || std::floor(x) != x) return false;
  const double z = x / 2 + 0.5;
  return std::floor(z) == z;
}

bool QxPower::AlmostEqual(double a, double b, double k) {
  if (a == 0) return b == 0;
  if (b == 0 || (a > 0 && b < 0) || (a < 0 && b > 0)) return false;
  const double d = std::fabs(a) - std::fabs(b);
  const double larger = d < 0 ? std::fabs(b) : std::fabs(a);
  return k * gMachineEpsilon >= std::fabs(d) / larger;
}

bool QxPower::IsOneOverOddInteger(double y, double k) {
  if (y == 0) return false;
  const double r = 1 / y;
  if (!(r <= gMachineMaxInt)) return false;
  const double z = r / 2 + 0.5;
  return AlmostEqual(z, std::floor(z + 0.5), k);
}

bool QxPower::IsOneOverEvenInteger(double y, double k) {
  if (y == 0) return false;
  const double r = 1 / y;
  if (!(r <= gMachineMaxInt)) return false;
  return AlmostEqual(r / 2, std::floor(r / 2 + 0.5), k);
}

PowerStatus QxPower::Exponent(double x, double& result) {
  if (x < gMachineMinExp) {
    result = 0.0;
    return PowerUnderflow;
  }
  if (x > gMachineMaxExp) {
    result = gMissingValue;
    return PowerOverflow;
  }
  result = std::exp(x);
  return PowerOK;
}

namespace {

// e to the power log_magnitude, with the guards of a positive result.
PowerStatus PositivePower(double log_magnitude, double& result) {
  if (log_magnitude < gMachineMinExp) {
    result = 0.0;
    return PowerUnderflow;
  }
  if (log_magnitude > gMachineMaxExp) return PowerOverflow;
  result = std::exp(log_magnitude);
  return PowerOK;
}

}  // namespace

PowerStatus QxPower::Power(double x, double y, double& result) {
  result = gMissingValue;
  if (x == 0) {
    if (y == 0) {
      result = 1.0;
      return PowerZeroToZero;
    }
    if (y > 0) {
      result = 0.0;
      return PowerOK;
    }
    return PowerZeroBaseNegativeExponent;
  }
  if (x > 0) {
    if (y == 0) {
      result = 1.0;
      return PowerOK;
    }
    return PositivePower(std::log(x) * y, result);
  }
  if (y == 0) {
    result = 1.0;
    return PowerNegativeBaseZeroExponent;
  }
  if (IsEvenInteger(y)) return PositivePower(std::log(-x) * y, result);
  if (!IsOddInteger(y) && !IsOneOverOddInteger(y, 32.0)) return PowerNegativeBaseNonInteger;
  const double log_magnitude = std::log(-x) * y;
  if (log_magnitude < gMachineMinExp) {
    result = -0.0;
    return PowerUnderflow;
  }
  if (log_magnitude > gMachineMaxExp) return y > 0 ? PowerNegativeOverflow : PowerOverflow;
  result = -std::exp(log_magnitude);
  return PowerOK;
}

double QxPower::Multiply(double a, double b) {
  if (a == 0 || b == 0) return 0.0;
  const bool negative = (a < 0) != (b < 0);
  const double log_magnitude = std::log(std::fabs(a)) + std::log(std::fabs(b));
  if (log_magnitude < gMachineMinExp) return negative ? -0.0 : 0.0;
  if (log_magnitude > gMachineMaxExp) return gMissingValue;
  const double magnitude = std::exp(log_magnitude);
  return negative ? -magnitude : magnitude;
}

}  // namespace QxMath_940
