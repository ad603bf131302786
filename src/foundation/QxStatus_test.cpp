#include "foundation/QxStatus.h"

#include <gtest/gtest.h>

#include <cmath>

#include "foundation/QxMV.h"

namespace QxCommon_940 {
namespace {

TEST(QxStatusTest, SeverityAndEqualityCoverEveryDatum) {
  EXPECT_TRUE(QxStatus().IsOK());
  EXPECT_TRUE(QxStatus(60000, false).IsError() && !QxStatus(60000, false).IsOK());
  EXPECT_TRUE(QxStatus(7, true).IsWarning());
  QxStatus a(1, false), b(1, false);
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
  EXPECT_TRUE(QxMV::IsMissing(QxMV::Missing()));
  EXPECT_FALSE(QxMV::IsMissing(-INFINITY) || QxMV::IsMissing(std::nan("")));
  EXPECT_FALSE(QxMV::IsMissing(std::nextafter(gMissingValue, 0.0)));
}

}  // namespace
}  // namespace QxCommon_940
