#include "export/ReferenceIndex.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "sequence/NTSequence.h"
#include "sequence/Sequence.h"
#include "sequence/TimedItemSet.h"
#include "sequence/sequence_testutil.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

using testutil::MakeSequence;
using testutil::MakeSet;

std::int32_t SetNumber(const ReferenceIndex& index, std::vector<std::int32_t> items) {
  return index.GetItemSetNumber(ItemSpan{items.data(), static_cast<std::int32_t>(items.size())});
}

TEST(ReferenceIndexTest, NumbersItemsAscendingFromOne) {
  ReferenceIndex index;
  for (std::int32_t item : {40, -7, 3, 40, 0}) index.AddItem(item);
  index.AssignNumbers();
  EXPECT_EQ(1, index.GetItemNumber(-7));
  EXPECT_EQ(2, index.GetItemNumber(0));
  EXPECT_EQ(3, index.GetItemNumber(3));
  EXPECT_EQ(4, index.GetItemNumber(40));
  EXPECT_EQ(-1, index.GetItemNumber(5));
  EXPECT_EQ(4u, index.Items().size());
}

TEST(ReferenceIndexTest, NumbersItemSetsWithAProperPrefixFirst) {
  ReferenceIndex index;
  index.AddItemSet(MakeSet({2}));
  index.AddItemSet(MakeSet({1, 2}, 5.0));
  index.AddItemSet(MakeSet({1}));
  index.AddItemSet(MakeSet({1, 3}));
  index.AddItemSet(MakeSet({1, 2}, 9.0));  // times play no part: already held
  index.AssignNumbers();
  EXPECT_EQ(1, SetNumber(index, {1}));
  EXPECT_EQ(2, SetNumber(index, {1, 2}));
  EXPECT_EQ(3, SetNumber(index, {1, 3}));
  EXPECT_EQ(4, SetNumber(index, {2}));
  EXPECT_EQ(2, index.GetItemSetNumber(MakeSet({1, 2}, 3.0)));
  EXPECT_EQ(-1, SetNumber(index, {1, 2, 3}));
  EXPECT_EQ(-1, SetNumber(index, {}));
  EXPECT_EQ(4u, index.ItemSets().size());
}

TEST(ReferenceIndexTest, NumbersSequencesSetBySetWithAProperPrefixFirst) {
  ReferenceIndex index;
  const Sequence inserted[] = {MakeSequence({{2}}),           MakeSequence({{1, 2}}),
                               MakeSequence({{1}, {2}}),      MakeSequence({{1}}),
                               MakeSequence({{1}, {2}, {1}}), MakeSequence({{1}, {2}})};
  for (const Sequence& sequence : inserted) index.AddSequence(sequence);
  index.AssignNumbers();
  EXPECT_EQ(1, index.GetSequenceNumber(MakeSequence({{1}})));
  EXPECT_EQ(2, index.GetSequenceNumber(MakeSequence({{1}, {2}})));
  EXPECT_EQ(3, index.GetSequenceNumber(MakeSequence({{1}, {2}, {1}})));
  EXPECT_EQ(4, index.GetSequenceNumber(MakeSequence({{1, 2}})));
  EXPECT_EQ(5, index.GetSequenceNumber(MakeSequence({{2}})));
  EXPECT_EQ(-1, index.GetSequenceNumber(MakeSequence({{2}, {1}})));
  EXPECT_EQ(-1, index.GetSequenceNumber(Sequence()));
  EXPECT_EQ(5, index.GetNumberOfSequences());
}

TEST(ReferenceIndexTest, KeysAddedAfterNumberingWaitForTheNextNumbering) {
  ReferenceIndex index;
  index.AddItem(5);
  index.AddItemSet(MakeSet({5}));
  index.AssignNumbers();
  index.AddSequence(MakeSequence({{5}}));
  index.AssignNumbers();
  index.AddItem(2);
  index.AddItem(5);
  index.AddItemSet(MakeSet({2, 5}));
  index.AddSequence(MakeSequence({{2}, {5}}));
  EXPECT_EQ(1, index.GetItemNumber(5));
  EXPECT_EQ(-1, index.GetItemNumber(2));
  EXPECT_EQ(-1, SetNumber(index, {2, 5}));
  EXPECT_EQ(-1, index.GetSequenceNumber(MakeSequence({{2}, {5}})));
  EXPECT_EQ(1u, index.Items().size());
  index.AssignNumbers();
  EXPECT_EQ(1, index.GetItemNumber(2));
  EXPECT_EQ(2, index.GetItemNumber(5));
  EXPECT_EQ(1, SetNumber(index, {2, 5}));
  EXPECT_EQ(2, SetNumber(index, {5}));
  EXPECT_EQ(-1, SetNumber(index, {2}));
  EXPECT_EQ(1, index.GetSequenceNumber(MakeSequence({{2}, {5}})));
  EXPECT_EQ(2, index.GetSequenceNumber(MakeSequence({{5}})));
  EXPECT_EQ(2u, index.Sequences().size());
}

TEST(ReferenceIndexTest, ReportedSequenceCountCanReplaceTheMapSize) {
  ReferenceIndex index;
  index.AddSequence(MakeSequence({{1}}));
  index.AssignNumbers();
  EXPECT_EQ(1, index.GetNumberOfSequences());
  index.SetNumberOfSequences(0);
  EXPECT_EQ(0, index.GetNumberOfSequences());
  index.SetNumberOfSequences(17);
  EXPECT_EQ(17, index.GetNumberOfSequences());
  EXPECT_EQ(1u, index.Sequences().size());
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
