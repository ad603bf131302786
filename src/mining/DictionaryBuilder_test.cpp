#include "mining/DictionaryBuilder.h"

#include <atomic>
#include <stdexcept>
#include <utility>
#include <vector>

#include "dictionary/SequenceDictionary.h"
#include "gtest/gtest.h"
#include "input/SequenceDatabase.h"
#include "mining/mining_testutil.h"
#include "sequence/SequenceCounter.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

class DictionaryBuilderTest : public testing::Test {
 protected:
  DictionaryBuilderTest()
      : db_(testutil::MakeDatabase({{{{3, 4}, {1, 2, 3}, {1, 2, 6}, {1, 3, 4, 6}}},
                                    {{{1, 2, 6}, {5}}},
                                    {{{1, 2, 6}}},
                                    {{{4, 7, 8}, {2, 6}, {1, 7, 8}}},
                                    {{}}})) {
    options_.minSupport = 0.4;  // count threshold 2 of N = 5
  }

  // Expects result to hold exactly what the miner finds in db_ under options_.
  void CheckStored(const BuildResult& result);

  SequenceDatabase db_;
  MiningOptions options_;
};

TEST_F(DictionaryBuilderTest, StoresEveryMinedSequenceWithItsCount) {
  options_.minGap = 0.5;
  options_.maxGap = 3;
  options_.slidingWindow = -1;  // off: recorded as 0
  for (const bool consume : {false, true}) {
    SCOPED_TRACE(consume ? "database given up" : "database kept");
    SequenceDatabase given = db_;
    const BuildResult result =
        consume ? BuildDictionary(std::move(given), options_) : BuildDictionary(given, options_);
    EXPECT_EQ(consume ? 0 : db_.NumCustomers(), given.NumCustomers());
    CheckStored(result);
  }
}

void DictionaryBuilderTest::CheckStored(const BuildResult& result) {
  ASSERT_TRUE(result.status.IsOK());
  ASSERT_NE(nullptr, result.dictionary);
  SequenceDictionary& dictionary = *result.dictionary;
  EXPECT_TRUE(dictionary.isLatticeBuilt() && dictionary.getNumberOfLevels() == 10);
  EXPECT_EQ(5, dictionary.getTotalCount());
  EXPECT_DOUBLE_EQ(0.4, dictionary.getMinimumSupport());
  EXPECT_TRUE(dictionary.getMinGap() == 0.5 && dictionary.getMaxGap() == 3 &&
              dictionary.getSlidingWindow() == 0);

  std::int64_t mined = 0;
  SequenceMiner(options_).Mine(db_, [&](const MinedSequence& found) {
    ++mined;
    std::vector<std::vector<int>> counted;
    for (std::int32_t k = 0, i = 0; k < found.numSets; ++k) {
      counted.push_back({found.setEnds[k] - i});
      for (; i < found.setEnds[k]; ++i) counted.back().push_back(found.items[i]);
    }
    std::vector<int*> sets;
    for (auto& set : counted) sets.push_back(set.data());
    const SequenceCounter* counter = dictionary.getDescriptor(sets.data(), found.numSets);
    EXPECT_TRUE(counter != nullptr && counter->getCount() == found.count &&
                counter->getMaxMissed() == 0)
        << testutil::PatternText(found);
  });
  EXPECT_EQ(result.summary.sequences, mined);
  EXPECT_EQ(mined + 1, dictionary.NumberOfSequences());  // plus the empty sequence
  for (int k = 1; k < 10; ++k) {
    EXPECT_EQ(result.summary.perLevel[k], dictionary.CountSequencesOfSize(k)) << k;
  }
}

TEST_F(DictionaryBuilderTest, SettingsBoundTheLongestSequenceAndCancelGivesNothing) {
  SeqDictionarySettings settings;
  settings.numberOfLevels = 3;
  const BuildResult result = BuildDictionary(db_, options_, settings);
  ASSERT_NE(nullptr, result.dictionary);
  EXPECT_EQ(2, result.dictionary->LargestSequence());
  EXPECT_EQ(2u, result.summary.perLevel.size() - 1);

  settings.numberOfLevels = 33;
  EXPECT_THROW(BuildDictionary(db_, options_, settings), std::invalid_argument);
  options_.maxItems = -1;
  EXPECT_THROW(BuildDictionary(db_, options_), std::invalid_argument);
  options_.maxItems = 9;
  const std::atomic<bool> cancel{true};
  options_.cancel = &cancel;
  const BuildResult cancelled = BuildDictionary(db_, options_);
  EXPECT_TRUE(cancelled.dictionary == nullptr && cancelled.summary.cancelled);
  EXPECT_EQ(QxCommon_940::QxStatus::kCancelled, cancelled.status.GetErrorCode());
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
