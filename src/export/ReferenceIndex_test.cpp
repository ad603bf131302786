#include "export/ReferenceIndex.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "sequence/Sequence.h"
#include "sequence/sequence_testutil.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

using testutil::MakeSequence;
using testutil::MakeSet;

std::int32_t SetNumber(const ReferenceIndex& index, std::vector<std::int32_t> items) {
  return index.GetItemSetNumber(ItemSpan{items.data(), static_cast<std::int32_t>(items.size())});
}

TEST(ReferenceIndexTest, NumbersEachMapFromOneInKeyOrder) {
  ReferenceIndex index;
  for (std::int32_t item : {40, -7, 3, 40, 0}) index.AddItem(item);
  index.AddItemSet(MakeSet({2}));
  index.AddItemSet(MakeSet({1, 2}, 5.0));
  index.AddItemSet(MakeSet({1}));
  index.AddItemSet(MakeSet({1, 3}));
  index.AddItemSet(MakeSet({1, 2}, 9.0));  // times play no part
  for (const auto& sets :
       {MakeSequence({{2}}), MakeSequence({{1, 2}}), MakeSequence({{1}, {2}}), MakeSequence({{1}}),
        MakeSequence({{1}, {2}, {1}}), MakeSequence({{1}, {2}})}) {
    index.AddSequence(sets);
  }
  index.AssignNumbers();

  EXPECT_EQ(
      std::vector<int>({1, 2, 3, 4, -1}),
      std::vector<int>({index.GetItemNumber(-7), index.GetItemNumber(0), index.GetItemNumber(3),
                        index.GetItemNumber(40), index.GetItemNumber(5)}));
  // A proper prefix first: {1} {1 2} {1 3} {2}.
  EXPECT_EQ(
      std::vector<int>({1, 2, 3, 4, 2, -1, -1}),
      std::vector<int>({SetNumber(index, {1}), SetNumber(index, {1, 2}), SetNumber(index, {1, 3}),
                        SetNumber(index, {2}), index.GetItemSetNumber(MakeSet({1, 2}, 3.0)),
                        SetNumber(index, {1, 2, 3}), SetNumber(index, {})}));
  // Set by set, a proper prefix first: (1) (1)(2) (1)(2)(1) (1 2) (2).
  EXPECT_EQ(std::vector<int>({1, 2, 3, 4, 5, -1, -1}),
            std::vector<int>({index.GetSequenceNumber(MakeSequence({{1}})),
                              index.GetSequenceNumber(MakeSequence({{1}, {2}})),
                              index.GetSequenceNumber(MakeSequence({{1}, {2}, {1}})),
                              index.GetSequenceNumber(MakeSequence({{1, 2}})),
                              index.GetSequenceNumber(MakeSequence({{2}})),
                              index.GetSequenceNumber(MakeSequence({{2}, {1}})),
                              index.GetSequenceNumber(Sequence())}));
  EXPECT_EQ(5, index.GetNumberOfSequences());
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
