#include "sequence/TimedItemSet.h"

#include <vector>

#include <gtest/gtest.h>

#include "sequence/sequence_testutil.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

using testutil::MakeSet;

std::vector<int> Items(const TimedItemSet& set) { return {set.Begin(), set.End()}; }

TEST(TimedItemSetTest, InsertsSortedWithoutDuplicates) {
  TimedItemSet set;
  for (int item : {5, 3, 5, 9, 1}) set.AddItem(item);
  EXPECT_EQ((std::vector<int>{1, 3, 5, 9}), Items(set));
  set.AddItem(-2);
  EXPECT_EQ(-2, *set.Begin());

  TimedItemSet other = MakeSet({1}, 9);
  const int items[] = {4, 2, 4};
  other.AddAllItems(items, 3, 7);
  EXPECT_EQ((std::vector<int>{2, 4}), Items(other));
  EXPECT_EQ(7, other.GetTime());
  other.Clear();
  EXPECT_EQ(0, other.Size());
  EXPECT_EQ(0, other.GetTime());
}

TEST(TimedItemSetTest, AssignmentIsAUnionKeepingTheTime) {
  TimedItemSet target = MakeSet({1}, 9);
  target = MakeSet({7}, 3);
  EXPECT_EQ((std::vector<int>{1, 7}), Items(target));
  EXPECT_EQ(9, target.GetTime());
  target = target;
  EXPECT_EQ(2, target.Size());
  TimedItemSet copy(target);
  EXPECT_EQ(target, copy);
}

TEST(TimedItemSetTest, OrderIsLexicographicAndEqualityNeedsTimes) {
  EXPECT_TRUE(MakeSet({1, 2}) < MakeSet({1, 2, 3}));
  EXPECT_FALSE(MakeSet({1, 3}) < MakeSet({1, 2, 3}));
  EXPECT_TRUE(MakeSet({}) < MakeSet({0}));
  EXPECT_FALSE(MakeSet({1, 2}, 1) < MakeSet({1, 2}, 5));
  EXPECT_TRUE(MakeSet({-1}) < MakeSet({1}));
  EXPECT_FALSE(MakeSet({1, 2}, 1.0) == MakeSet({1, 2}, 1.0 + 1e-15));
  EXPECT_TRUE(MakeSet({1, 2}, 1.0) == MakeSet({1, 2}, 1.0));
  EXPECT_FALSE(MakeSet({1, 2}, 1.0) == MakeSet({1, 3}, 1.0));
}

TEST(TimedItemSetTest, DisplayPrintsItemsAndOptionalTime) {
  TimedItemSet set = MakeSet({1, 2}, 5);
  testing::internal::CaptureStdout();
  set.Display(true);
  set.Display(false);
  EXPECT_EQ("(1 2[5])(1 2)", testing::internal::GetCapturedStdout());
  std::cout.setf(std::ios::fmtflags(0), std::ios::floatfield);
  std::cout.precision(6);
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
