#include "scoring/SequentialAssocModel.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>
#include <xercesc/util/PlatformUtils.hpp>

#include "NumericValue.h"
#include "ScoreCaseRecord.h"
#include "ScoreDictVar.h"
#include "ScoreResult.h"
#include "dictionary/SeqConsequentDescriptor.h"
#include "scoring/SequentialResult.h"
#include "scoring/VectorValue.h"
#include "scoring/scoring_testutil.h"
#include "sequence/Sequence.h"
#include "sequence/TimedItemSet.h"
#include "sequence/sequence_testutil.h"

namespace QxQuorvis_940 {
namespace {

using SEQUENCE_NAMESPACE_800::SeqConsequentDescriptor;
using SEQUENCE_NAMESPACE_800::Sequence;
using Predictions = VectorValue<SeqConsequentDescriptor>;
using Texts = std::vector<std::string>;

// "(3 5)(7)[12.5][0]": the item sets, then their times.
std::string Text(const Sequence& sequence) {
  std::ostringstream text;
  text << SEQUENCE_NAMESPACE_800::testutil::ToText(sequence);
  for (int i = 0; i < sequence.Length(); ++i) text << "[" << sequence[i].GetTime() << "]";
  return text.str();
}

TEST(GetSequenceTest, ReadsItemSetsAndTimesAndSkipsTheRest) {
  const std::string digits39(39, '1');
  const struct {
    std::string text;
    std::string expected;
  } rows[] = {
      {"(5,3,5)[12.5]", "(3 5)[0]"},  // the bracket stands outside the set
      {"(5 3[12.5])", "(3 5)[12.5]"},
      {"()", "()[0]"},
      {"12(3)45", "(3)[0]"},
      {"(-7)", "(7)[0]"},
      {"((1)(2 3)", "(1)(2 3)[0][0]"},
      {")(1", "(1)[0]"},
      {"(1[2][3])", "(1)[3]"},
      {"(1[x])", "(1)[0]"},
      {"(1[1x2.5])", "(1)[12.5]"},
      {"(1[.])", "(1)[-1.79769e+308]"},  // "." is no number: the missing value
      {"(1[5)(2)", "(1)[0]"},            // unclosed: no time, and the rest is time text
      {"(1[5)(2]3)", "(1 3)[52]"},
      {"(4294967297)", "(1)[0]"},  // 32-bit items wrap around
      {"(1[" + digits39 + "])", "(1)[1.11111e+38]"},
      {"(1[" + digits39 + "1])", "(1)[0]"},  // 40 retained characters: not read
  };
  for (const auto& row : rows) {
    EXPECT_EQ(row.expected, Text(SequentialAssocModelTestPeer::GetSequence(row.text))) << row.text;
  }
}

// A result a host made itself, of the given type. One the model drops and fails to delete shows
// as a leak.
class ForeignResult : public ScoreResult {
 public:
  explicit ForeignResult(int type) : type_(type) {}
  void SetPrediction(ScoreValue* prediction) override { prediction_.reset(prediction); }
  ScoreValue* GetPrediction() const override { return prediction_.get(); }
  ScoreDictVar* GetTarget() const override { return nullptr; }
  void SetConfidence(double) override {}
  double GetConfidence() const override { return 0; }
  int GetScoreResultType() const override { return type_; }

 private:
  int type_;
  std::unique_ptr<ScoreValue> prediction_;
};

class SequentialAssocModelTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { xercesc::XMLPlatformUtils::Initialize(); }
  static void TearDownTestSuite() { xercesc::XMLPlatformUtils::Terminate(); }

  void SetUp() override {
    // N = 10. <(1)> 6, <(2)> 5, <(3)> 4; <(1)(2)> 3, <(1)(3)> 4, <(2)(3)> 2, <(1 2)> 2.
    model_ = loader_.Load(testutil::LatticeDocument({{{}, 10, {{1, 1}, {2, 1}, {3, 1}}},
                                                     {{{1}}, 6, {{2, 3}, {3, 3}, {2, 0}}},
                                                     {{{2}}, 5, {{3, 3}, {1, 0}}},
                                                     {{{3}}, 4, {}},
                                                     {{{1}, {2}}, 3, {}},
                                                     {{{1}, {3}}, 4, {}},
                                                     {{{2}, {3}}, 2, {}},
                                                     {{{1, 2}}, 2, {}}},
                                                    10));
    ASSERT_NE(nullptr, model_);
  }
  void TearDown() override { delete result_; }

  // Scores record_ into result_ and returns its predictions as "item:confidence" texts.
  Texts Score() {
    EXPECT_TRUE(model_->GetScore(&record_, result_, false).IsOK());
    const auto* predictions = dynamic_cast<const Predictions*>(result_->GetPrediction());
    if (predictions == nullptr) return {"no prediction list"};
    Texts texts;
    for (const SeqConsequentDescriptor& d : predictions->GetVectorValue()) {
      std::ostringstream text;
      text << d.GetItem() << ":" << d.GetConfidence();
      texts.push_back(text.str());
    }
    return texts;
  }
  std::string TargetName() const {
    return result_->GetTarget() == nullptr ? "(none)" : result_->GetTarget()->GetName();
  }

  testutil::ModelLoader loader_;
  std::unique_ptr<SequentialAssocModel> model_;
  ScoreResult* result_ = nullptr;
  MapCaseRecord record_;
};

// Without fields a case gets the most frequent current items, as does a null record; a
// negative "maxReturn" keeps the default count, 0 asks for none. A model without a dictionary
// predicts nothing.
TEST_F(SequentialAssocModelTest, RecordWithoutFieldsGetsTheMostFrequentCurrentItems) {
  EXPECT_EQ((Texts{"1:0.6", "2:0.5", "3:0.4"}), Score());
  EXPECT_EQ("currentItems", TargetName());
  EXPECT_TRUE(model_->GetScore(nullptr, result_, true).IsOK());
  EXPECT_EQ(3, result_->GetPrediction()->GetInt());
  const struct {
    const char* text;
    size_t expected;
  } rows[] = {{"-3", 3}, {"0", 0}, {"2", 2}, {"", 3}};
  for (const auto& row : rows) {
    record_.SetField("maxReturn", row.text);
    EXPECT_EQ(row.expected, Score().size()) << row.text;
  }
  SequentialAssocModel empty;
  EXPECT_TRUE(empty.GetScore(&record_, result_, false).IsOK());
  EXPECT_EQ(0, result_->GetPrediction()->GetInt());
}

// Only exactly "futureItems" asks for future items, and then a "fromCurrent" field of any value
// adds shortened histories. The result, its prediction and its target are reused throughout.
TEST_F(SequentialAssocModelTest, OnlyExactlyFutureItemsAsksForFutureItems) {
  record_.SetField("sequence", "(1)");
  EXPECT_EQ((Texts{"2:0.333333"}), Score());
  const ScoreResult* first = result_;
  const ScoreValue* prediction = result_->GetPrediction();
  record_.SetField("returnType", "futureItems");
  EXPECT_EQ((Texts{"3:0.666667", "2:0.5"}), Score());
  EXPECT_EQ("futureItems", TargetName());
  EXPECT_EQ(first, result_);
  EXPECT_EQ(prediction, result_->GetPrediction());
  for (const char* other : {"FutureItems", "futureItems ", "anything"}) {
    record_.SetField("returnType", other);
    EXPECT_EQ((Texts{"2:0.333333"}), Score()) << other;
    EXPECT_EQ("currentItems", TargetName()) << other;
  }
  record_.SetField("sequence", "(1)(2)");
  record_.SetField("returnType", "futureItems");
  EXPECT_EQ((Texts{"3:0.4"}), Score());  // <(2)(3)> / <(2)>
  record_.SetField("fromCurrent", "false");
  EXPECT_EQ((Texts{"3:0.666667"}), Score());  // and <(1)(3)> / <(1)> for <(1)>
}

// A foreign result is replaced unless it claims to be sequential; then it is kept and given a
// prediction list, also in place of a prediction of another kind.
TEST_F(SequentialAssocModelTest, ResultsOfOtherKindsAreReplacedOrFilled) {
  result_ = new ForeignResult(5);
  EXPECT_EQ(3u, Score().size());
  EXPECT_NE(nullptr, dynamic_cast<SequentialResult*>(result_));
  delete result_;
  result_ = new ForeignResult(SequentialResult::kResultType);
  ScoreResult* foreign = result_;
  result_->SetPrediction(new NumericValue(1.0));
  EXPECT_EQ(3u, Score().size());
  EXPECT_EQ(foreign, result_);
}

// A value takes only lists of its own kind, itself included; clones are deep. A result keeps a
// prediction given twice.
TEST(VectorValueTest, CopiesOnlyItsOwnKindAndClonesDeeply) {
  Predictions value({{5, 0.1, 0.2, 0.3}, {6, 0.1, 0.1, 0.1}});
  Predictions other;
  other.SetValue(&value);
  other.SetValue(&other);
  EXPECT_EQ(6, other.GetVectorValue().at(1).GetItem());
  const NumericValue two(2.0);
  other.SetValue(&two);
  EXPECT_EQ(0, other.Size());
  std::unique_ptr<ScoreValue> clone(value.Clone());
  value.SetVectorValue({});
  EXPECT_EQ(2, clone->GetInt());

  SequentialResult result(nullptr);
  auto* prediction = new Predictions();
  result.SetPrediction(prediction);
  result.SetPrediction(prediction);
  EXPECT_EQ(prediction, result.GetPrediction());
}

}  // namespace
}  // namespace QxQuorvis_940
