#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "dictionary/SequenceDictionary.h"
#include "dictionary/dictionary_testutil.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

using testutil::Hold;
using testutil::SetList;
using Texts = std::multiset<std::string>;
using Search = QxCommon_940::QxStatus (SequenceDictionary::*)(const Sequence*, std::set<Sequence*>&,
                                                              int, int);
constexpr Search kAnywhere = &SequenceDictionary::FindSequences;

class SearchTest : public testing::Test {
 protected:
  // Holds <(b)>, <(a)(b)>, <(b)(c)>, <(b c)> with their parents; a = 1, b = 2, c = 3.
  SearchTest() {
    testutil::SetTotal(dictionary_, 10);
    const SetList held[] = {{{1}}, {{2}}, {{3}}, {{1}, {2}}, {{2}, {3}}, {{2, 3}}};
    const int counts[] = {6, 8, 5, 4, 3, 2};
    for (int i = 0; i < 6; ++i) Hold(dictionary_, held[i], counts[i]);
  }

  Texts Find(Search search, const SetList& query, int minCount = 0, int maxCount = 100) {
    const Sequence sequence = testutil::ToSequence(query);
    std::set<Sequence*> found;
    EXPECT_TRUE((dictionary_.*search)(&sequence, found, minCount, maxCount).IsOK());
    return testutil::TakeTexts(found);
  }

  SequenceDictionary dictionary_{5};
};

TEST_F(SearchTest, FrontierTakesOnlyKeysWithinMinCount) {
  // The variants and bands over pruned dictionaries are checked by the property test.
  EXPECT_EQ((Texts{"(2)"}), Find(kAnywhere, {{2}})) << "without a lattice: the query alone";
  Hold(dictionary_, {{1}, {2, 3}}, 9);  // a count that does not shrink along extensions
  ASSERT_TRUE(dictionary_.buildLattice().IsOK());
  EXPECT_EQ((Texts{"(1)", "(2)", "(3)", "(1)(2)", "(2)(3)", "(2 3)", "(1)(2 3)"}),
            Find(kAnywhere, {}, 0, 9))
      << "N = 10 is out of the band; (1)(2 3) is reached twice and reported once";
  EXPECT_EQ((Texts{""}), Find(kAnywhere, {}, 9)) << "its parents are below minCount";
}

// Counters that a test can refine: a hidden level and a forced largest level.
class Refined : public SequenceDictionary {
 public:
  Refined() : SequenceDictionary(5) {}
  int CountSequencesOfSize(int k) const override {
    return k == hidden ? 0 : SequenceDictionary::CountSequencesOfSize(k);
  }
  int LargestSequence() const override {
    return largest >= 0 ? largest : SequenceDictionary::LargestSequence();
  }
  int hidden = -1;
  int largest = -1;
};

TEST(SearchCountersTest, CountersReadLevelSizesAndBoundsGoThroughTheInterface) {
  Refined dictionary;
  EXPECT_EQ(1, dictionary.NumberOfSequences());
  EXPECT_EQ(0, dictionary.LargestSequence());
  EXPECT_EQ(0, dictionary.CountSequencesBiggerThan(1));
  Hold(dictionary, {{1}}, 1);
  Hold(dictionary, {{1}, {2}}, 1);
  Hold(dictionary, {{1}, {2}, {3}, {4}}, 1);  // level 3 is empty
  EXPECT_EQ(2, dictionary.LargestSequence());
  EXPECT_EQ(2, dictionary.CountSequencesBiggerThan(1));
  EXPECT_EQ(1, dictionary.CountSequencesBiggerThan(2)) << "level k itself counts";
  EXPECT_EQ(4, dictionary.NumberOfSequences());
  dictionary.hidden = 2;
  EXPECT_EQ(1, dictionary.SequenceDictionary::LargestSequence());
  dictionary.largest = 3;
  EXPECT_EQ(2, dictionary.CountSequencesBiggerThan(1)) << "the sum reads the tables directly";
  EXPECT_EQ(0, dictionary.CountSequencesBiggerThan(4));
}

TEST_F(SearchTest, SequencesOfSizeAreTimedByIndexAndMaximalOnesFiltered) {
  Hold(dictionary_, {{4}}, 1);
  ASSERT_TRUE(dictionary_.buildLattice().IsOK());
  std::vector<const Sequence*> out;
  for (int k : {2, 0, 5}) ASSERT_TRUE(dictionary_.getSequencesOfSize(out, k, false).IsOK());
  ASSERT_TRUE(dictionary_.getSequencesOfSize(out, 1, true).IsOK());
  Texts texts;
  for (const Sequence* sequence : out) {
    texts.insert(testutil::ToText(*sequence));
    for (int i = 0; i < sequence->Length(); ++i) EXPECT_EQ(i, sequence->GetTimeOfTimedItemSet(i));
    delete sequence;
  }
  EXPECT_EQ((Texts{"", "(1)(2)", "(2)(3)", "(2 3)", "(4)"}), texts);
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
