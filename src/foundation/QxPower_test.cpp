#include "foundation/QxPower.h"

#include <cmath>

#include <gtest/gtest.h>

#include "foundation/QxMV.h"

namespace QxMath_940 {
namespace {

using QxCommon_940::gMissingValue;

struct PowerRow {
  double x, y;
  PowerStatus status;
  double result;
};

TEST(QxPowerTest, PowerGuardsEveryCase) {
  const PowerRow rows[] = {
      {0, 0, PowerZeroToZero, 1.0},
      {-2, 0, PowerNegativeBaseZeroExponent, 1.0},
      {2, 0, PowerOK, 1.0},
      {0, -1, PowerZeroBaseNegativeExponent, gMissingValue},
      {0, 3, PowerOK, 0.0},
      {-8, 0.5, PowerNegativeBaseNonInteger, gMissingValue},
      {-2, 2, PowerOK, 4.0},
      {-2, 3, PowerOK, -8.0},
      {10, 400, PowerOverflow, gMissingValue},
      {-10, 401, PowerNegativeOverflow, gMissingValue},
      {-10, -401, PowerUnderflow, -0.0},
      {-10, 400, PowerOverflow, gMissingValue},
      {10, -400, PowerUnderflow, 0.0},
  };
  for (const PowerRow& row : rows) {
    double result = 123;
    EXPECT_EQ(row.status, QxPower::Power(row.x, row.y, result)) << row.x << "^" << row.y;
    EXPECT_DOUBLE_EQ(row.result, result) << row.x << "^" << row.y;
    EXPECT_EQ(std::signbit(row.result), std::signbit(result)) << row.x << "^" << row.y;
  }
  double cube_root = 0;
  EXPECT_EQ(PowerOK, QxPower::Power(-8, 1.0 / 3, cube_root));
  EXPECT_NEAR(-2.0, cube_root, 1e-12);
}

TEST(QxPowerTest, ExponentBoundsAreInclusive) {
  double r = 1;
  EXPECT_EQ(PowerOK, QxPower::Exponent(709.0, r));
  EXPECT_DOUBLE_EQ(std::exp(709.0), r);
  EXPECT_EQ(PowerOverflow, QxPower::Exponent(709.5, r));
  EXPECT_EQ(gMissingValue, r);
  EXPECT_EQ(PowerOK, QxPower::Exponent(-708.39, r));
  EXPECT_GT(r, 0.0);
  EXPECT_EQ(PowerUnderflow, QxPower::Exponent(-708.4, r));
  EXPECT_EQ(0.0, r);
}

TEST(QxPowerTest, MultiplyThroughLogarithms) {
  EXPECT_EQ(gMissingValue, QxPower::Multiply(-1e200, 1e200));
  const double tiny = QxPower::Multiply(-1e-200, 1e-200);
  EXPECT_EQ(0.0, tiny);
  EXPECT_TRUE(std::signbit(tiny));
  EXPECT_EQ(0.0, QxPower::Multiply(0, -5));
  EXPECT_NEAR(-6.0, QxPower::Multiply(-2, 3), 1e-12);
}

TEST(QxPowerTest, IntegerAndComparisonPredicates) {
  EXPECT_TRUE(QxPower::AlmostEqual(0, 0, 0));
  EXPECT_FALSE(QxPower::AlmostEqual(0, 1e-300, 100));
  EXPECT_FALSE(QxPower::AlmostEqual(1, -1, 100));
  EXPECT_TRUE(QxPower::AlmostEqual(1.0, 1.0 + 1e-15, 100));
  EXPECT_FALSE(QxPower::AlmostEqual(1.0, 1.0 + 1e-12, 100));
  EXPECT_FALSE(QxPower::IsInteger(3e9));
  EXPECT_TRUE(QxPower::IsInteger(-3e9));
  EXPECT_TRUE(QxPower::IsEvenInteger(-4));
  EXPECT_FALSE(QxPower::IsEvenInteger(3));
  EXPECT_TRUE(QxPower::IsOddInteger(-3));
  EXPECT_FALSE(QxPower::IsOddInteger(2.5));
  EXPECT_TRUE(QxPower::IsOneOverOddInteger(1.0 / 3, 32));
  EXPECT_FALSE(QxPower::IsOneOverOddInteger(0.25, 32));
  EXPECT_FALSE(QxPower::IsOneOverOddInteger(0, 32));
  EXPECT_TRUE(QxPower::IsOneOverEvenInteger(0.25, 32));
  EXPECT_FALSE(QxPower::IsOneOverEvenInteger(1.0 / 3, 32));
}

}  // namespace
}  // namespace QxMath_940
