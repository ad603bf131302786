#include <gtest/gtest.h>

#include <vector>

#include "dictionary/SeqConsequentDescriptor.h"
#include "dictionary/SequenceDictionary.h"
#include "dictionary/dictionary_testutil.h"
#include "foundation/QxStatus.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

using QxCommon_940::QxStatus;
using testutil::Hold;
using testutil::SetList;
using testutil::ToSequence;

struct Expected {
  int item;
  double confidence;
  double support;
  double cause;
};

class PredictionTest : public testing::Test {
 protected:
  PredictionTest() : dictionary_(6) {
    testutil::SetTotal(dictionary_, 10);
    const std::pair<SetList, int> held[] = {
        {{{1}}, 8},      {{{2}}, 6},           {{{3}}, 5},          {{{4}}, 4},
        {{{5}}, 5},      {{{1}, {2}}, 4},      {{{1}, {3}}, 4},     {{{1}, {4}}, 2},
        {{{1}, {5}}, 4}, {{{2}, {3}}, 3},      {{{2}, {4}}, 3},     {{{2}, {5}}, 3},
        {{{1, 2}}, 3},   {{{1}, {2}, {3}}, 3}, {{{1}, {2}, {4}}, 2}};
    for (const auto& [sets, count] : held) Hold(dictionary_, sets, count);
    EXPECT_TRUE(dictionary_.buildLattice().IsOK());
  }

  // Runs GetFutureItems (or GetCurrentItems when future is false) after a sentinel entry.
  std::vector<SeqConsequentDescriptor> Predict(const SetList* sets, bool future, int maxItems,
                                               bool wholeSequenceOnly = true) {
    std::vector<SeqConsequentDescriptor> out{SeqConsequentDescriptor(-7, 0, 0, 0)};
    const Sequence query = sets ? ToSequence(*sets) : Sequence();
    const QxStatus status = future ? dictionary_.GetFutureItems(out, sets ? &query : nullptr,
                                                                maxItems, wholeSequenceOnly)
                                   : dictionary_.GetCurrentItems(out, &query, maxItems);
    EXPECT_TRUE(status.IsOK()) << status.GetErrorCode();
    EXPECT_EQ(-7, out.front().GetItem()) << "what the vector held must stay in front";
    out.erase(out.begin());
    return out;
  }

  static void ExpectPredictions(const std::vector<Expected>& expected,
                                const std::vector<SeqConsequentDescriptor>& actual) {
    ASSERT_EQ(expected.size(), actual.size());
    for (size_t i = 0; i < expected.size(); ++i) {
      SCOPED_TRACE(testing::Message() << "rank " << i);
      EXPECT_EQ(expected[i].item, actual[i].GetItem());
      EXPECT_DOUBLE_EQ(expected[i].confidence, actual[i].GetConfidence());
      EXPECT_DOUBLE_EQ(expected[i].support, actual[i].GetSupport());
      EXPECT_DOUBLE_EQ(expected[i].cause, actual[i].GetCause());
    }
  }

  SequenceDictionary dictionary_;
};

TEST_F(PredictionTest, EmptyQueryRanksSingleItemsAndHonoursMaxItems) {
  const SetList none;
  const std::vector<Expected> top = {{1, .8, .8, 1}, {2, .6, .6, 1}, {5, .5, .5, 1}};
  ExpectPredictions(top, Predict(nullptr, true, 3));
  ExpectPredictions(top, Predict(&none, true, 3));
  ExpectPredictions(top, Predict(&none, false, 3));
  EXPECT_EQ(5u, Predict(nullptr, true, 100).size());
  EXPECT_TRUE(Predict(nullptr, true, -1).empty());
}

TEST_F(PredictionTest, EqualConfidencesRankHigherItemFirst) {
  const SetList query = {{1}};
  ExpectPredictions({{5, .5, .4, .8}, {3, .5, .4, .8}, {2, .5, .4, 4.0 / 6}, {4, .25, .2, .5}},
                    Predict(&query, true, 10));
  EXPECT_TRUE(Predict(&query, true, 0).empty());
}

// Item 3 improves from <(2)(3)> to <(1)(2)(3)>; item 4 keeps its first, better supported score;
// item 5 ties on confidence in the shorter history and takes its higher support and cause.
TEST_F(PredictionTest, KeepsBestScorePerItemOverMatchesAndIterations) {
  const SetList query = {{1}, {2}};
  ExpectPredictions({{3, .75, .3, .6}, {5, .5, .3, .6}, {4, .5, .3, .75}},
                    Predict(&query, true, 10, /*wholeSequenceOnly=*/true));
  // The shorter history <(1)> adds <(1)(5)> but may not propose 2, which the customer has.
  ExpectPredictions({{3, .75, .3, .6}, {5, .5, .4, .8}, {4, .5, .3, .75}},
                    Predict(&query, true, 10, /*wholeSequenceOnly=*/false));
}

TEST_F(PredictionTest, NewestSetWithoutFrequentItemsOnlyAnswersThroughShorterHistories) {
  const SetList query = {{1}, {99}};
  EXPECT_TRUE(Predict(&query, true, 10, true).empty());
  EXPECT_TRUE(Predict(&query, false, 10).empty());
  EXPECT_EQ(4u, Predict(&query, true, 10, false).size());
}

TEST_F(PredictionTest, CancelStopsFutureItemsOnly) {
  dictionary_.setCancel();
  std::vector<SeqConsequentDescriptor> out(1);
  const Sequence query = ToSequence({{1}});
  const QxStatus status = dictionary_.GetFutureItems(out, &query, 10, false);
  EXPECT_EQ(QxStatus::kCancelled, status.GetErrorCode());
  EXPECT_EQ(-1, status.GetSeverity());
  EXPECT_EQ(1u, out.size());
  EXPECT_EQ(1u, Predict(nullptr, true, 1).size());  // the empty query is not cancelled
  const SetList one = {{1}};
  EXPECT_EQ(1u, Predict(&one, false, 10).size());
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
