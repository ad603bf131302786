#include "foundation/QxStatus.h"

#include <cmath>

#include <gtest/gtest.h>

#include "foundation/QxMV.h"

namespace QxCommon_940 {
namespace {

TEST(QxStatusTest, SeverityFollowsConstructor) {
  QxStatus ok;
  EXPECT_TRUE(ok.IsOK());
  EXPECT_EQ(0, ok.GetErrorCode());
  QxStatus error(60000, false);
  EXPECT_TRUE(error.IsError());
  EXPECT_FALSE(error.IsOK());
  EXPECT_EQ(-1, error.GetSeverity());
  QxStatus warning(7, true);
  EXPECT_TRUE(warning.IsWarning());
  EXPECT_EQ(1, warning.GetSeverity());
}

TEST(QxStatusTest, EqualityComparesEveryDatum) {
  QxStatus a(1, false), b(1, false);
  EXPECT_EQ(a, b);
  b.SetScaleDatum(2, 0.5);
  EXPECT_NE(a, b);
  a.SetScaleDatum(2, 0.5);
  a.SetDiscreteDatum(1, 4);
  EXPECT_NE(a, b);
  b.SetDiscreteDatum(1, 4);
  EXPECT_EQ(a, b);
  a.SetScaleDatum(0, std::nan(""));
  b.SetScaleDatum(0, std::nan(""));
  EXPECT_NE(a, b);
  EXPECT_NE(QxStatus(1, false), QxStatus(1, true));
}

TEST(QxMVTest, OnlyTheMarkerIsMissing) {
  EXPECT_TRUE(QxMV::IsMissing(-1.7976931348623157e308));
  EXPECT_EQ(QxMV::Missing(), -1.7976931348623157e308);
  EXPECT_FALSE(QxMV::IsMissing(-INFINITY));
  EXPECT_FALSE(QxMV::IsMissing(std::nan("")));
  EXPECT_FALSE(QxMV::IsMissing(std::nextafter(gMissingValue, 0.0)));
}

}  // namespace
}  // namespace QxCommon_940
