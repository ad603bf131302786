#include "sequence/Sequence.h"

#include <stdexcept>

#include <gtest/gtest.h>

#include "foundation/QxStatus.h"
#include "sequence/sequence_testutil.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

using testutil::MakeSequence;
using testutil::MakeSet;
using testutil::ToText;

TEST(SequenceTest, SizesAndDeepCopies) {
  Sequence s = MakeSequence({{1, 2}, {3}, {4, 5, 6}});
  EXPECT_EQ(6, s.Size());
  EXPECT_EQ(3, s.Length());
  TimedItemSet set = MakeSet({8}, 4);
  s.AddTimedItemSet(&set);
  set.AddItem(9);  // the sequence holds its own copy
  EXPECT_EQ("(1 2)(3)(4 5 6)(8)", ToText(s));
  Sequence copy(s);
  s.Clear();
  EXPECT_EQ(0, s.Length());
  EXPECT_EQ("(1 2)(3)(4 5 6)(8)", ToText(copy));
  EXPECT_THROW(Sequence(-1), std::length_error);
}

TEST(SequenceTest, JoinsAndAppendingAssignment) {
  Sequence current = MakeSequence({{1}, {2, 3}});
  const Sequence tail = MakeSequence({{3, 4}, {5}});
  current.JoinCurrent(&tail);
  EXPECT_EQ("(1)(2 3 4)(5)", ToText(current));
  EXPECT_EQ(1.0, current.GetTimeOfTimedItemSet(1));

  Sequence temporal = MakeSequence({{1}});
  const Sequence later = MakeSequence({{2}, {3}});
  temporal.JoinTemporal(&later);
  EXPECT_EQ("(1)(2)(3)", ToText(temporal));

  Sequence target = MakeSequence({{9}});
  target = MakeSequence({{1}, {2}});
  EXPECT_EQ("(9)(1)(2)", ToText(target));
  target = target;
  EXPECT_EQ(3, target.Length());
  target.JoinTemporal(&target);
  EXPECT_EQ("(9)(1)(2)(9)(1)(2)", ToText(target));
}

TEST(SequenceTest, IndexErrorsCarryTheirData) {
  Sequence s = MakeSequence({{1}, {2}});
  try {
    s[2];
    FAIL() << "no throw";
  } catch (const QxCommon_940::QxStatus& status) {
    EXPECT_EQ(60001, status.GetErrorCode());
    EXPECT_TRUE(status.IsError());
    EXPECT_EQ(2, status.GetDiscreteDatum(0));
    EXPECT_EQ(2, status.GetDiscreteDatum(1));
  }
  try {
    s.GetTimeOfTimedItemSet(5);
    FAIL() << "no throw";
  } catch (const QxCommon_940::QxStatus& status) {
    EXPECT_EQ(60001, status.GetErrorCode());
    EXPECT_EQ(5, status.GetDiscreteDatum(0));
    EXPECT_EQ(0, status.GetDiscreteDatum(1));
  }
}

TEST(SequenceTest, OrderAndEquality) {
  EXPECT_TRUE(MakeSequence({{1}, {2}}) < MakeSequence({{1}, {2}, {0}}));
  EXPECT_TRUE(MakeSequence({{1}, {2}}) < MakeSequence({{1}, {3}}));
  EXPECT_FALSE(MakeSequence({{1, 5}}) < MakeSequence({{1, 2}, {9}}));
  EXPECT_FALSE(MakeSequence({{1}, {2}}) < MakeSequence({{1}, {2}}));
  EXPECT_TRUE(Sequence() == Sequence());
  EXPECT_TRUE(MakeSequence({{1}, {2}}) == MakeSequence({{1}, {2}}));
  EXPECT_FALSE(MakeSequence({{1}, {2}}) == MakeSequence({{1}}));
  Sequence shifted;
  TimedItemSet a = MakeSet({1}, 0.5), b = MakeSet({2}, 1);
  shifted.AddTimedItemSet(&a);
  shifted.AddTimedItemSet(&b);
  EXPECT_FALSE(MakeSequence({{1}, {2}}) == shifted);
}

TEST(SequenceTest, DisplayListsSetsWithoutSeparators) {
  testing::internal::CaptureStdout();
  MakeSequence({{1, 2}, {3}}).Display(false);
  EXPECT_EQ("<(1 2)(3)>\n", testing::internal::GetCapturedStdout());
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
