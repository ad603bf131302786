#include "dictionary/SequenceDictionary.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "dictionary/dictionary_testutil.h"
#include "sequence/HashtableSQPair.h"
#include "sequence/NTSequence.h"
#include "sequence/SequenceCounter.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

using testutil::Counted;
using testutil::Hold;
using testutil::SetList;
using testutil::ToSequence;

class SequenceDictionaryTest : public testing::Test {
 protected:
  SequenceCounter* Find(const SetList& sets) {
    const Sequence sequence = ToSequence(sets);
    return dictionary_.getDescriptor(&sequence);
  }
  int Size(int level) { return dictionary_.CountSequencesOfSize(level); }

  SequenceDictionary dictionary_{10};
};

TEST_F(SequenceDictionaryTest, CreatedAndResetDictionariesHoldOnlyTheEmptySequence) {
  EXPECT_EQ(11519, dictionary_.getLevelTable(1)->getCapacity());
  EXPECT_EQ(89, dictionary_.getLevelTable(9)->getCapacity());
  EXPECT_EQ(nullptr, dictionary_.getLevelTable(10));
  Hold(dictionary_, {{1}, {2}}, 4);
  testutil::SetTotal(dictionary_, 9);
  dictionary_.setCancel();
  dictionary_.reset();
  EXPECT_EQ(1, dictionary_.NumberOfSequences());
  ASSERT_NE(nullptr, Find({}));
  EXPECT_EQ(0, Find({})->getCount());
  EXPECT_TRUE(dictionary_.isCancelled()) << "reset keeps the flags";
  EXPECT_FALSE(dictionary_.isLatticeBuilt());
}

TEST_F(SequenceDictionaryTest, ShellHasNoTablesAndReadyTablesAreTakenAsTheyAre) {
  SequenceDictionary shell;
  EXPECT_EQ(nullptr, shell.getLevelTable(0));
  EXPECT_EQ(0, shell.getTotalCount());
  const Sequence empty;
  EXPECT_EQ(nullptr, shell.getDescriptor(&empty));

  auto** tables = new HashtableSQPair* [2] { new HashtableSQPair(2), new HashtableSQPair(5) };
  tables[0]->put(new NTSequence(), new SequenceCounter(0, 42, nullptr));
  SequenceDictionary ready(tables, 2);
  EXPECT_TRUE(ready.isLatticeBuilt());
  EXPECT_FALSE(ready.isCancelled());
  EXPECT_EQ(42, ready.getTotalCount()) << "level 0 must not be defined again";
}

TEST_F(SequenceDictionaryTest, AddSequenceStoresACopyOfTheNumbersAndReplaces) {
  SequenceCounter mine(7, 3, new StatsBucket(1, 2, 3, 4));
  mine.setMaxMissed(2);
  Counted key({{1, 2}, {3}});
  dictionary_.addSequence(key.sets(), key.n(), &mine);
  SequenceCounter* stored = Find({{1, 2}, {3}});
  ASSERT_NE(nullptr, stored);
  EXPECT_NE(&mine, stored);
  EXPECT_EQ(3, stored->getCount());
  EXPECT_EQ(7, stored->getOrdinalOfEntry());
  EXPECT_EQ(2, stored->getMaxMissed());
  EXPECT_EQ(nullptr, stored->getStatsBucket());

  Hold(dictionary_, {{1, 2}, {3}}, 5);
  EXPECT_EQ(1, Size(3));
  EXPECT_EQ(5, Find({{1, 2}, {3}})->getCount());

  dictionary_.addSequence(key.sets(), key.n(), nullptr);
  EXPECT_TRUE(dictionary_.hasSequence(key.sets(), key.n()));
  EXPECT_EQ(nullptr, Find({{1, 2}, {3}}));
}

TEST_F(SequenceDictionaryTest, LookupsIgnoreTimesAndNeverHoldKeysOfTooManyItems) {
  Hold(dictionary_, {{4}, {5, 6}}, 2);
  Sequence timed;
  TimedItemSet a = testutil::MakeSet({4}, 17.5), b = testutil::MakeSet({6, 5}, -3);
  timed.AddTimedItemSet(&a);
  timed.AddTimedItemSet(&b);
  EXPECT_EQ(Find({{4}, {5, 6}}), dictionary_.getDescriptor(&timed));

  Counted held({{4}, {5, 6}}), absent({{4}, {6}});
  EXPECT_EQ(3, dictionary_.incrementCount(held.sets(), held.n())->getCount());
  EXPECT_EQ(nullptr, dictionary_.incrementCount(absent.sets(), absent.n()));
  EXPECT_FALSE(dictionary_.hasSequence(absent.sets(), absent.n()));
  NTSequence* stored = dictionary_.getSequence(held.sets(), held.n());
  ASSERT_NE(nullptr, stored);
  EXPECT_EQ(stored, dictionary_.getLevelTable(3)->begin()->key);

  for (int items : {9, 10, 40}) {
    SetList sets;
    for (int i = 0; i < items; ++i) sets.push_back({i});
    Hold(dictionary_, sets, 1);
    Counted counted(sets);
    EXPECT_EQ(items == 9, Find(sets) != nullptr) << items;
    EXPECT_EQ(items == 9, dictionary_.hasSequence(counted.sets(), counted.n())) << items;
  }
  EXPECT_EQ(1, Size(9));
}

TEST_F(SequenceDictionaryTest, RemoveDeletesTheEntryEvenThroughItsOwnKey) {
  Hold(dictionary_, {{1}}, 1);
  Hold(dictionary_, {{2}}, 1);
  Counted one({{1}}), two({{2}});
  dictionary_.remove(one.sets(), one.n());
  dictionary_.remove(dictionary_.getSequence(two.sets(), two.n()));
  dictionary_.remove(static_cast<NTSequence*>(nullptr));
  EXPECT_EQ(0, Size(1));
}

TEST(CountThresholdTest, RoundsUpExceptNearWholeNumbers) {
  const struct {
    double minCount;
    int threshold;
  } rows[] = {{0, 0},         {3.0, 3},
              {2.5, 3},       {0.5, 1},
              {1e-20, 1},     {3.000000000000003, 3},
              {3 - 1e-12, 3}, {3 + 1e-12, 4},
              {2.0000001, 3}, {1e12, 2147483647}};
  for (const auto& row : rows) {
    EXPECT_EQ(row.threshold, SequenceDictionary::CountThreshold(row.minCount))
        << "minCount " << row.minCount;
  }
}

TEST_F(SequenceDictionaryTest, ReduceTestsCountPlusMaxMissedOrCountAlone) {
  Counted sets({{9}});
  for (int round = 0; round < 2; ++round) {
    Hold(dictionary_, {{1}}, 3);
    Hold(dictionary_, {{2}}, 2);
    SequenceCounter missed(0, 1, nullptr);
    missed.setMaxMissed(2);
    dictionary_.addSequence(sets.sets(), sets.n(), &missed);
    if (round == 0) {
      EXPECT_EQ(1, dictionary_.reduceDictionary(1, 3.0));
      EXPECT_NE(nullptr, Find({{9}}));
    } else {
      EXPECT_EQ(2, dictionary_.reduceDictionaryWithCount(1, 3.0));
      EXPECT_EQ(nullptr, Find({{9}}));
    }
    EXPECT_NE(nullptr, Find({{1}}));
    EXPECT_EQ(nullptr, Find({{2}}));
  }
  EXPECT_EQ(0, dictionary_.reduceDictionary(1, 0.0));
}

TEST(SequenceDictionaryPruningTest, VisitsEveryEntryOfLongChainsOnce) {
  SeqDictionarySettings settings;
  settings.tableSizes[2] = 1;  // starts with one chain and grows while filling
  SequenceDictionary dictionary(settings);
  for (int i = 0; i < 300; ++i) Hold(dictionary, {{i}, {i + 1}}, i % 3 == 0 ? 5 : 1);
  EXPECT_EQ(200, dictionary.reduceDictionary(2, 2));
  EXPECT_EQ(100, dictionary.CountSequencesOfSize(2));
  for (auto it = dictionary.getLevelTable(2)->begin(); it != dictionary.getLevelTable(2)->end();
       ++it) {
    EXPECT_EQ(5, it->value->getCount());
  }
  EXPECT_EQ(100, dictionary.reduceDictionaryWithCount(2, 6));
  EXPECT_EQ(0, dictionary.CountSequencesOfSize(2));
}

TEST_F(SequenceDictionaryTest, ReduceAllStopsAtTheFirstEmptyLevel) {
  testutil::SetTotal(dictionary_, 200);
  Hold(dictionary_, {{1}}, 20);
  Hold(dictionary_, {{2}}, 5);
  Hold(dictionary_, {{1}, {2}, {3}}, 1);  // level 2 is empty
  EXPECT_EQ(1, dictionary_.reduceAll(10));
  EXPECT_DOUBLE_EQ(0.05, dictionary_.getMinimumSupport());
  EXPECT_EQ(1, Size(3));
  EXPECT_EQ(1, dictionary_.reduceAllWithCount(10));
  EXPECT_EQ(0, Size(3));
  EXPECT_DOUBLE_EQ(0.05, dictionary_.getMinimumSupport());
}

// Reports level 1 as empty, whatever it holds.
class LevelOneHidden : public SequenceDictionary {
 public:
  LevelOneHidden() : SequenceDictionary(4) {}
  int CountSequencesOfSize(int k) const override {
    return k == 1 ? 0 : SequenceDictionary::CountSequencesOfSize(k);
  }
};

TEST(SequenceDictionaryPruningTest, ReduceAllAsksTheInterfaceForLevelSizes) {
  LevelOneHidden dictionary;
  Hold(dictionary, {{1}}, 1);
  EXPECT_EQ(0, dictionary.reduceAll(5));
  EXPECT_EQ(1, dictionary.SequenceDictionary::CountSequencesOfSize(1));
}

TEST_F(SequenceDictionaryTest, DropAfterSettlesEarlyEntriesAndSparesCounterlessOnes) {
  Counted early({{1}}), late({{2}}), bare({{3}});
  SequenceCounter counter(5, 3, nullptr);
  counter.setMaxMissed(2);
  dictionary_.addSequence(early.sets(), early.n(), &counter);
  counter.setOrdinalOfEntry(6);
  dictionary_.addSequence(late.sets(), late.n(), &counter);
  dictionary_.addSequence(bare.sets(), bare.n(), nullptr);
  EXPECT_TRUE(dictionary_.dropAfter(5).IsOK());
  EXPECT_EQ(5, Find({{1}})->getCount());
  EXPECT_EQ(0, Find({{1}})->getMaxMissed());
  EXPECT_FALSE(dictionary_.hasSequence(late.sets(), late.n()));
  EXPECT_EQ(1, dictionary_.reduceAll(100));
  EXPECT_EQ(0, dictionary_.reduceAllWithCount(100));
  EXPECT_TRUE(dictionary_.hasSequence(bare.sets(), bare.n()));
}

TEST_F(SequenceDictionaryTest, DisplaySizePrintsAtLeastTheFirstEntry) {
  for (int i = 1; i <= 3; ++i) Hold(dictionary_, {{i}}, i);
  const auto entriesPrinted = [this](int level, int lastIndex) {
    std::ostringstream os;
    dictionary_.displaySize(level, lastIndex, os);
    const std::string text = os.str();
    int count = 0;
    for (size_t at = text.find(" count "); at != std::string::npos;
         at = text.find(" count ", at + 1)) {
      ++count;
    }
    return count;
  };
  EXPECT_EQ(1, entriesPrinted(1, -1));
  EXPECT_EQ(2, entriesPrinted(1, 1));
  EXPECT_EQ(3, entriesPrinted(1, 10));
  EXPECT_EQ(0, entriesPrinted(10, 10));
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
