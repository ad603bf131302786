#include "foundation/QxPower.h"

#include <gtest/gtest.h>

#include <cmath>

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
  // clang-format off
  const PowerRow rows[] = {
      {0, 0, PowerZeroToZero, 1.0},              {-2, 0, PowerNegativeBaseZeroExponent, 1.0},
      {0, -1, PowerZeroBaseNegativeExponent, gMissingValue},          {0, 3, PowerOK, 0.0},
      {-8, 0.5, PowerNegativeBaseNonInteger, gMissingValue},          {-2, 2, PowerOK, 4.0},
      {-2, 3, PowerOK, -8.0},                    {10, 400, PowerOverflow, gMissingValue},
      {-10, 401, PowerNegativeOverflow, gMissingValue}, {-10, -401, PowerUnderflow, -0.0},
      {-10, 400, PowerOverflow, gMissingValue},  {10, -400, PowerUnderflow, 0.0}};
  // clang-format on
  for (const PowerRow& row : rows) {
    double result = 123;
    EXPECT_EQ(row.status, QxPower::Power(row.x, row.y, result)) << row.x << "^" << row.y;
    EXPECT_TRUE(std::fabs(result - row.result) <= 1e-12 * std::fabs(row.result) &&
                std::signbit(result) == std::signbit(row.result))
        << row.x << "^" << row.y << " gave " << result;
  }
  double cube_root = 0;
  EXPECT_EQ(PowerOK, QxPower::Power(-8, 1.0 / 3, cube_root));
  EXPECT_NEAR(-2.0, cube_root, 1e-12);
}

TEST(QxPowerTest, ExponentAndMultiplyGuardTheirBounds) {
  double r = 1;
  EXPECT_EQ(PowerOK, QxPower::Exponent(709.0, r));
  EXPECT_DOUBLE_EQ(std::exp(709.0), r);
  EXPECT_TRUE(PowerOverflow == QxPower::Exponent(709.5, r) && r == gMissingValue);
  EXPECT_TRUE(PowerOK == QxPower::Exponent(-708.39, r) && r > 0.0);
  EXPECT_TRUE(PowerUnderflow == QxPower::Exponent(-708.4, r) && r == 0.0);
  EXPECT_EQ(gMissingValue, QxPower::Multiply(-1e200, 1e200));
  const double tiny = QxPower::Multiply(-1e-200, 1e-200);
  EXPECT_TRUE(tiny == 0.0 && std::signbit(tiny));
  EXPECT_EQ(0.0, QxPower::Multiply(0, -5));
  EXPECT_NEAR(-6.0, QxPower::Multiply(-2, 3), 1e-12);
}

TEST(QxPowerTest, IntegerAndComparisonPredicates) {
  EXPECT_TRUE(QxPower::AlmostEqual(0, 0, 0));
  EXPECT_FALSE(QxPower::AlmostEqual(0, 1e-300, 100) || QxPower::AlmostEqual(1, -1, 100));
  EXPECT_TRUE(QxPower::AlmostEqual(1.0, 1.0 + 1e-15, 100) &&
              !QxPower::AlmostEqual(1.0, 1.0 + 1e-12, 100));
  EXPECT_TRUE(!QxPower::IsInteger(3e9) && QxPower::IsInteger(-3e9));
  EXPECT_TRUE(QxPower::IsEvenInteger(-4) && QxPower::IsOddInteger(-3));
  EXPECT_FALSE(QxPower::IsEvenInteger(3) || QxPower::IsOddInteger(2.5));
  EXPECT_TRUE(QxPower::IsOneOverOddInteger(1.0 / 3, 32) && QxPower::IsOneOverEvenInteger(0.25, 32));
  EXPECT_FALSE(QxPower::IsOneOverOddInteger(0.25, 32) || QxPower::IsOneOverOddInteger(0, 32));
  EXPECT_FALSE(QxPower::IsOneOverEvenInteger(1.0 / 3, 32));
}

}  // namespace
}  // namespace QxMath_940
