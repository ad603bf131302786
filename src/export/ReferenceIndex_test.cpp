#include "export/ReferenceIndex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
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

// Random keys, long ones (past what a packed order code holds) and ones with items the index was
// not given among them, get the numbers of the plain Sequence order; equal contents share one.
TEST(ReferenceIndexTest, NumbersRandomKeysInSequenceOrder) {
  for (const int catalogue : {3, 40, 5000}) {
    std::mt19937 random(static_cast<unsigned>(catalogue));
    std::uniform_int_distribution<int> item(-catalogue / 2, catalogue / 2);
    std::uniform_int_distribution<int> length(1, 31);
    std::uniform_int_distribution<int> setEnds(0, 2);
    std::vector<NTSequence> keys;
    for (int k = 0; k < 400; ++k) {
      std::vector<std::vector<int>> sets(1);
      for (int n = length(random); n > 0; --n) {
        if (!sets.back().empty() && setEnds(random) == 0) sets.emplace_back();
        const int next = item(random);
        if (std::find(sets.back().begin(), sets.back().end(), next) == sets.back().end()) {
          sets.back().push_back(next);
        }
      }
      Sequence sequence;
      for (const std::vector<int>& items : sets) {
        TimedItemSet set(0, 0.0);
        for (int i : items) set.AddItem(i);
        sequence.AddTimedItemSet(&set);
      }
      keys.emplace_back(&sequence);
      if (k % 7 == 0) keys.emplace_back(&sequence);  // an equal key at another address
    }
    ReferenceIndex index;
    for (const NTSequence& key : keys) {
      index.AddHeldSequence(&key);
      // The items of every other key only.
      if (&key - keys.data() < 200) {
        for (int i = 0; i < key.size(); ++i) index.AddItem(key.items()[i]);
      }
    }
    index.AssignNumbers();

    std::vector<const NTSequence*> sorted;
    for (const NTSequence& key : keys) sorted.push_back(&key);
    std::sort(sorted.begin(), sorted.end(),
              [](const NTSequence* a, const NTSequence* b) { return *a < *b; });
    std::int32_t expected = 0;
    for (std::size_t i = 0; i < sorted.size(); ++i) {
      if (i == 0 || *sorted[i - 1] < *sorted[i]) ++expected;
      ASSERT_EQ(expected, index.GetSequenceNumber(*sorted[i])) << catalogue << " " << i;
    }
    EXPECT_EQ(expected, index.GetNumberOfSequences());
  }
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
