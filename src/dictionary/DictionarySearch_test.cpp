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

enum class Variant { kAnywhere, kBeginning, kEnding };

class SearchTest : public testing::Test {
 protected:
  // Holds <(b)>, <(a)(b)>, <(b)(c)>, <(b c)> with their parents; a = 1, b = 2, c = 3.
  SearchTest() {
    testutil::SetTotal(dictionary_, 10);
    for (const auto& [sets, count] : std::vector<std::pair<SetList, int>>{
             {{{1}}, 6}, {{{2}}, 8}, {{{3}}, 5}, {{{1}, {2}}, 4}, {{{2}, {3}}, 3}, {{{2, 3}}, 2}}) {
      Hold(dictionary_, sets, count);
    }
  }

  Texts Search(Variant variant, const SetList& query, int minCount = 0, int maxCount = 100) {
    const Sequence sequence = testutil::ToSequence(query);
    std::set<Sequence*> found;
    QxCommon_940::QxStatus status;
    switch (variant) {
      case Variant::kAnywhere:
        status = dictionary_.FindSequences(&sequence, found, minCount, maxCount);
        break;
      case Variant::kBeginning:
        status = dictionary_.FindSequencesBeginning(&sequence, found, minCount, maxCount);
        break;
      case Variant::kEnding:
        status = dictionary_.FindSequencesEnding(&sequence, found, minCount, maxCount);
        break;
    }
    EXPECT_TRUE(status.IsOK());
    return testutil::TakeTexts(found);
  }

  SequenceDictionary dictionary_{5};
};

TEST_F(SearchTest, VariantsFollowTheirPositions) {
  ASSERT_TRUE(dictionary_.buildLattice().IsOK());
  EXPECT_EQ((Texts{"(2)", "(1)(2)", "(2 3)"}), Search(Variant::kEnding, {{2}}));
  EXPECT_EQ((Texts{"(2)", "(2)(3)", "(2 3)"}), Search(Variant::kBeginning, {{2}}));
  EXPECT_EQ((Texts{"(2)", "(1)(2)", "(2)(3)", "(2 3)"}), Search(Variant::kAnywhere, {{2}}));
  EXPECT_EQ((Texts{"(1)(2)"}), Search(Variant::kAnywhere, {{1}, {2}}));
  EXPECT_EQ(Texts{}, Search(Variant::kAnywhere, {{3}, {2}})) << "not held";
  EXPECT_EQ(Texts{}, Search(Variant::kAnywhere, {{1}, {2}, {3}, {4}, {5}})) << "too long";
}

TEST_F(SearchTest, CountBandFiltersReports) {
  ASSERT_TRUE(dictionary_.buildLattice().IsOK());
  EXPECT_EQ((Texts{"(1)(2)", "(2)(3)", "(2 3)"}), Search(Variant::kAnywhere, {{2}}, 0, 7));
  EXPECT_EQ((Texts{"(2)", "(1)(2)"}), Search(Variant::kAnywhere, {{2}}, 4));
}

TEST_F(SearchTest, EmptyQueryReportsEveryHeldSequenceOnce) {
  Hold(dictionary_, {{1}, {2, 3}}, 1);
  Hold(dictionary_, {{1}, {3}}, 1);
  ASSERT_TRUE(dictionary_.buildLattice().IsOK());
  const Texts all = {"", "(1)", "(2)", "(3)", "(1)(2)", "(2)(3)", "(2 3)", "(1)(3)", "(1)(2 3)"};
  EXPECT_EQ(all, Search(Variant::kAnywhere, {}));
  EXPECT_EQ(all, Search(Variant::kBeginning, {}));
  EXPECT_EQ(all, Search(Variant::kEnding, {}));
  std::set<Sequence*> found;
  ASSERT_TRUE(dictionary_.FindSequences(nullptr, found, 0, 9).IsOK());
  EXPECT_EQ(all.size() - 1, testutil::TakeTexts(found).size()) << "N = 10 is out of the band";
  // A count that does not shrink along extensions: parents below minCount block the way.
  const Sequence rare = testutil::ToSequence({{1}, {2, 3}});
  dictionary_.getDescriptor(&rare)->setCount(9);
  EXPECT_EQ((Texts{""}), Search(Variant::kAnywhere, {}, 9));
}

TEST_F(SearchTest, WithoutLatticeOnlyTheQueryIsReported) {
  EXPECT_EQ((Texts{"(2)"}), Search(Variant::kAnywhere, {{2}}));
}

TEST_F(SearchTest, CountersReadTheLevelSizes) {
  SequenceDictionary fresh(10);
  EXPECT_EQ(1, fresh.NumberOfSequences());
  EXPECT_EQ(0, fresh.LargestSequence());
  EXPECT_EQ(0, fresh.CountSequencesBiggerThan(1));
  EXPECT_EQ(1, fresh.CountSequencesBiggerThan(0));
  EXPECT_EQ(2, dictionary_.LargestSequence());
  EXPECT_EQ(6, dictionary_.CountSequencesBiggerThan(1));
  EXPECT_EQ(3, dictionary_.CountSequencesBiggerThan(2));
  Hold(dictionary_, {{1}, {2}, {3}, {4}}, 1);  // level 3 stays empty
  EXPECT_EQ(2, dictionary_.LargestSequence());
  EXPECT_EQ(3, dictionary_.CountSequencesBiggerThan(2));
  EXPECT_EQ(8, dictionary_.NumberOfSequences());
}

// Counters that the test can refine: a hidden level and a forced largest level.
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

TEST(SearchCountersTest, BoundsGoThroughTheInterface) {
  Refined dictionary;
  Hold(dictionary, {{1}}, 1);
  Hold(dictionary, {{1}, {2}}, 1);
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
  ASSERT_TRUE(dictionary_.getSequencesOfSize(out, 2, false).IsOK());
  ASSERT_TRUE(dictionary_.getSequencesOfSize(out, 1, true).IsOK());
  ASSERT_TRUE(dictionary_.getSequencesOfSize(out, 0, false).IsOK());
  ASSERT_TRUE(dictionary_.getSequencesOfSize(out, 5, false).IsOK());
  Texts texts;
  for (const Sequence* sequence : out) {
    texts.insert(testutil::ToText(*sequence));
    for (int i = 0; i < sequence->Length(); ++i) {
      EXPECT_EQ(i, sequence->GetTimeOfTimedItemSet(i));
    }
    delete sequence;
  }
  EXPECT_EQ((Texts{"", "(1)(2)", "(2)(3)", "(2 3)", "(4)"}), texts);
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
