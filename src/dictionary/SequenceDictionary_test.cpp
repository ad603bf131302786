#include "dictionary/SequenceDictionary.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <tuple>
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

class SequenceDictionaryTest : public testing::Test {
 protected:
  SequenceCounter* Find(const SetList& sets) {
    const Sequence sequence = testutil::ToSequence(sets);
    return dictionary_.getDescriptor(&sequence);
  }
  int Size(int level) { return dictionary_.CountSequencesOfSize(level); }

  SequenceDictionary dictionary_{10};
};

TEST_F(SequenceDictionaryTest, CreationAndResetLeaveOnlyTheEmptySequence) {
  Hold(dictionary_, {{1}, {2}}, 4);
  testutil::SetTotal(dictionary_, 9);
  dictionary_.setCancel();
  dictionary_.reset();
  EXPECT_EQ(1, dictionary_.NumberOfSequences());
  EXPECT_EQ(0, Find({})->getCount());
  EXPECT_TRUE(dictionary_.isCancelled()) << "reset keeps the flags";

  EXPECT_EQ(nullptr, SequenceDictionary().getLevelTable(0)) << "the shell has no tables";
  auto** tables = new HashtableSQPair* [2] { new HashtableSQPair(2), new HashtableSQPair(5) };
  tables[0]->put(new NTSequence(), new SequenceCounter(0, 42, nullptr));
  SequenceDictionary ready(tables, 2);
  EXPECT_TRUE(ready.isLatticeBuilt());
  EXPECT_EQ(42, ready.getTotalCount()) << "level 0 must not be defined again";
}

TEST_F(SequenceDictionaryTest, AddSequenceStoresACopyOfTheNumbersAndReplaces) {
  SequenceCounter mine(7, 3, new StatsBucket(1, 2, 3, 4));
  mine.setMaxMissed(2);
  Counted key({{1, 2}, {3}});
  dictionary_.addSequence(key.sets(), key.n(), &mine);
  const SequenceCounter* stored = Find({{1, 2}, {3}});
  ASSERT_NE(nullptr, stored);
  EXPECT_NE(&mine, stored);
  EXPECT_EQ(
      std::make_tuple(3, 7, 2),
      std::make_tuple(stored->getCount(), stored->getOrdinalOfEntry(), stored->getMaxMissed()));
  EXPECT_EQ(nullptr, stored->getStatsBucket());
  Hold(dictionary_, {{1, 2}, {3}}, 5);
  EXPECT_EQ(1, Size(3));
  EXPECT_EQ(5, Find({{1, 2}, {3}})->getCount());
  dictionary_.addSequence(key.sets(), key.n(), nullptr);
  EXPECT_TRUE(dictionary_.hasSequence(key.sets(), key.n()));
  EXPECT_EQ(nullptr, Find({{1, 2}, {3}})) << "held without a counter";
}

TEST_F(SequenceDictionaryTest, LookupsFindOnlyHeldKeysAndNeverKeysOfTooManyItems) {
  Hold(dictionary_, {{4}, {5, 6}}, 2);
  Counted held({{4}, {5, 6}}), absent({{4}, {6}});
  EXPECT_EQ(3, dictionary_.incrementCount(held.sets(), held.n())->getCount());
  EXPECT_EQ(nullptr, dictionary_.incrementCount(absent.sets(), absent.n()));
  EXPECT_FALSE(dictionary_.hasSequence(absent.sets(), absent.n()));
  dictionary_.remove(dictionary_.getSequence(held.sets(), held.n()));  // the stored key itself
  EXPECT_EQ(0, Size(3));

  for (int items : {9, 10, 40}) {
    SetList sets;
    for (int i = 0; i < items; ++i) sets.push_back({i});
    Hold(dictionary_, sets, 1);
    Counted counted(sets);
    EXPECT_EQ(items == 9, Find(sets) != nullptr) << items;
    EXPECT_EQ(items == 9, dictionary_.hasSequence(counted.sets(), counted.n())) << items;
  }
}

TEST(CountThresholdTest, RoundsUpExceptNearWholeNumbers) {
  const double minCounts[] = {0, 3.0, 2.5, 0.5, 1e-20, 3.000000000000003, 3 - 1e-12, 3 + 1e-12};
  const int thresholds[] = {0, 3, 3, 1, 1, 3, 3, 4};
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(thresholds[i], SequenceDictionary::CountThreshold(minCounts[i])) << minCounts[i];
  }
}

TEST_F(SequenceDictionaryTest, ReduceTestsCountPlusMaxMissedOrCountAlone) {
  Counted missed({{9}});
  SequenceCounter counter(0, 1, nullptr);
  counter.setMaxMissed(2);
  for (bool withMissed : {true, false}) {
    Hold(dictionary_, {{1}}, 3);
    Hold(dictionary_, {{2}}, 2);
    dictionary_.addSequence(missed.sets(), missed.n(), &counter);
    EXPECT_EQ(withMissed ? 1 : 2, withMissed ? dictionary_.reduceDictionary(1, 3.0)
                                             : dictionary_.reduceDictionaryWithCount(1, 3.0));
    EXPECT_EQ(withMissed, dictionary_.hasSequence(missed.sets(), missed.n()));
    EXPECT_NE(nullptr, Find({{1}}));
  }
}

TEST(SequenceDictionaryPruningTest, VisitsEveryEntryOfLongChainsOnce) {
  SeqDictionarySettings settings;
  settings.tableSizes[2] = 1;  // starts with one chain and grows while filling
  SequenceDictionary dictionary(settings);
  for (int i = 0; i < 300; ++i) Hold(dictionary, {{i}, {i + 1}}, i % 3 == 0 ? 5 : 1);
  EXPECT_EQ(200, dictionary.reduceDictionary(2, 2));
  const HashtableSQPair* table = dictionary.getLevelTable(2);
  for (auto it = table->begin(); it != table->end(); ++it) EXPECT_EQ(5, it->value->getCount());
  EXPECT_EQ(100, dictionary.reduceDictionaryWithCount(2, 6));
}

// Reports a level as empty, whatever it holds.
class LevelHidden : public SequenceDictionary {
 public:
  LevelHidden() : SequenceDictionary(10) {}
  int CountSequencesOfSize(int k) const override {
    return k == hidden ? 0 : SequenceDictionary::CountSequencesOfSize(k);
  }
  int hidden = -1;
};

TEST(SequenceDictionaryPruningTest, ReduceAllStopsAtTheFirstLevelReportedEmpty) {
  LevelHidden dictionary;
  dictionary.hidden = 2;
  testutil::SetTotal(dictionary, 200);
  Hold(dictionary, {{1}}, 20);
  Hold(dictionary, {{2}}, 5);
  Hold(dictionary, {{1}, {2}}, 1);
  Hold(dictionary, {{1}, {2}, {3}}, 1);
  EXPECT_EQ(1, dictionary.reduceAll(10));
  EXPECT_DOUBLE_EQ(0.05, dictionary.getMinimumSupport());
  EXPECT_EQ(2, dictionary.reduceAllWithCount(10)) << "no early stop";
  EXPECT_DOUBLE_EQ(0.05, dictionary.getMinimumSupport());
}

TEST_F(SequenceDictionaryTest, DropAfterSettlesEarlyEntriesAndPruningSparesCounterless) {
  Counted early({{1}}), late({{2}}), bare({{3}});
  SequenceCounter counter(5, 3, nullptr);
  counter.setMaxMissed(2);
  dictionary_.addSequence(early.sets(), early.n(), &counter);
  counter.setOrdinalOfEntry(6);
  dictionary_.addSequence(late.sets(), late.n(), &counter);
  dictionary_.addSequence(bare.sets(), bare.n(), nullptr);
  EXPECT_TRUE(dictionary_.dropAfter(5).IsOK());
  EXPECT_EQ(std::make_pair(5, 0),
            std::make_pair(Find({{1}})->getCount(), Find({{1}})->getMaxMissed()));
  EXPECT_FALSE(dictionary_.hasSequence(late.sets(), late.n()));
  EXPECT_EQ(1, dictionary_.reduceAll(100) + dictionary_.reduceAllWithCount(100));
  EXPECT_TRUE(dictionary_.hasSequence(bare.sets(), bare.n()));
}

// Every entry of every level in iteration order: key text, whether it has a counter, and the
// counter's count, ordinalOfEntry and maxMissed.
std::vector<std::tuple<std::string, bool, int, int, int>> Entries(SequenceDictionary& dictionary) {
  std::vector<std::tuple<std::string, bool, int, int, int>> entries;
  for (int level = 0; level < dictionary.getNumberOfLevels(); ++level) {
    const HashtableSQPair* table = dictionary.getLevelTable(level);
    for (auto it = table->begin(); it != table->end(); ++it) {
      const SequenceCounter* counter = it->value;
      entries.emplace_back(
          testutil::KeyText(*it->key), counter != nullptr, counter ? counter->getCount() : 0,
          counter ? counter->getOrdinalOfEntry() : 0, counter ? counter->getMaxMissed() : 0);
    }
  }
  return entries;
}

TEST(SequenceDictionaryBatchTest, AddSequencesStoresWhatAddSequenceCallsInOrderWould) {
  // Several batches of random sequences: repeats (replacing what an earlier one stored, within a
  // batch or across), entries without a counter, and keys too long to be held.
  std::mt19937 random(7);
  const auto below = [&random](int n) { return static_cast<int>(random() % n); };
  std::vector<std::unique_ptr<Counted>> keys;
  std::vector<std::unique_ptr<SequenceCounter>> counters;
  for (int i = 0; i < 150; ++i) {
    SetList sets(1 + below(3));
    const bool tooLong = below(10) == 0;
    for (std::size_t k = 0; k < sets.size(); ++k) {
      for (int item = 0; item < 6; ++item) {
        if (tooLong || below(3) == 0 || static_cast<std::size_t>(item) == k) {
          sets[k].push_back(item);
        }
      }
    }
    keys.push_back(std::make_unique<Counted>(sets));
    if (below(5) == 0) {
      counters.push_back(nullptr);
    } else {
      counters.push_back(std::make_unique<SequenceCounter>(below(4), 1 + below(50), nullptr));
      counters.back()->setMaxMissed(below(3));
    }
  }
  SequenceDictionary one(10), batched(10);
  std::vector<int**> sets;
  std::vector<int> n;
  std::vector<SequenceCounter*> pointers;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    one.addSequence(keys[i]->sets(), keys[i]->n(), counters[i].get());
    sets.push_back(keys[i]->sets());
    n.push_back(keys[i]->n());
    pointers.push_back(counters[i].get());
  }
  batched.addSequences(sets.data(), n.data(), pointers.data(), static_cast<int>(keys.size()));
  EXPECT_EQ(Entries(one), Entries(batched));
  EXPECT_GT(one.NumberOfSequences(), 50);
  EXPECT_LT(one.NumberOfSequences(), 140) << "some keys must repeat or be too long";
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
