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

namespace QxQuorvis_940 {
namespace {

using SEQUENCE_NAMESPACE_800::SeqConsequentDescriptor;
using SEQUENCE_NAMESPACE_800::Sequence;
using Predictions = VectorValue<SeqConsequentDescriptor>;

// "(3 5)[12.5]" per item set: the items and the time.
std::string Text(const Sequence& sequence) {
  std::ostringstream text;
  for (int i = 0; i < sequence.Length(); ++i) {
    text << "(";
    for (auto it = sequence[i].Begin(); it != sequence[i].End(); ++it) {
      text << (it == sequence[i].Begin() ? "" : " ") << *it;
    }
    text << ")[" << sequence[i].GetTime() << "]";
  }
  return text.str();
}

TEST(GetSequenceTest, ReadsItemSetsAndTimesAndSkipsTheRest) {
  const std::string digits39(39, '1');
  struct Row {
    std::string text;
    std::string expected;
  };
  const Row rows[] = {
      {"(5,3,5)[12.5]", "(3 5)[0]"},  // the bracket stands outside the set
      {"(5 3[12.5])", "(3 5)[12.5]"},
      {"()", "()[0]"},
      {"", ""},
      {"12(3)45", "(3)[0]"},
      {"(-7)", "(7)[0]"},
      {"(1)(2 3)", "(1)[0](2 3)[0]"},
      {"((1)", "(1)[0]"},
      {")(1", "(1)[0]"},
      {"(1[2][3])", "(1)[3]"},
      {"(1[])", "(1)[0]"},
      {"(1[x])", "(1)[0]"},
      {"(1[1x2.5])", "(1)[12.5]"},
      {"(1[.])", "(1)[-1.79769e+308]"},  // "." is no number: the missing value
      {"(1[5)(2)", "(1)[0]"},            // unclosed: no time, and the rest is time text
      {"(1[5)(2]3)", "(1 3)[52]"},
      {"(4294967297)", "(1)[0]"},  // 32-bit items wrap around
      {"(2147483648)", "(-2147483648)[0]"},
      {"(1[" + digits39 + "])", "(1)[1.11111e+38]"},
      {"(1[" + digits39 + "1])", "(1)[0]"},  // 40 retained characters: not read
  };
  for (const Row& row : rows) {
    EXPECT_EQ(row.expected, Text(SequentialAssocModelTestPeer::GetSequence(row.text))) << row.text;
  }
}

// Shows what a host sees of a result it made itself.
class ForeignResult : public ScoreResult {
 public:
  ForeignResult(int type, bool* deleted) : type_(type), deleted_(deleted) {}
  ~ForeignResult() override {
    if (deleted_ != nullptr) *deleted_ = true;
  }
  void SetPrediction(ScoreValue* prediction) override { prediction_.reset(prediction); }
  ScoreValue* GetPrediction() const override { return prediction_.get(); }
  ScoreDictVar* GetTarget() const override { return nullptr; }
  void SetConfidence(double) override {}
  double GetConfidence() const override { return 0; }
  int GetScoreResultType() const override { return type_; }

 private:
  int type_;
  bool* deleted_;
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

  // Scores the record into result_ and returns its predictions as "item:confidence" texts.
  std::vector<std::string> Score(const MapCaseRecord& record) {
    EXPECT_TRUE(model_->GetScore(&record, result_, false).IsOK());
    EXPECT_EQ(SequentialResult::kResultType, result_->GetScoreResultType());
    std::vector<std::string> texts;
    const auto* predictions = dynamic_cast<const Predictions*>(result_->GetPrediction());
    if (predictions == nullptr) return {"no prediction list"};
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

using Texts = std::vector<std::string>;

TEST_F(SequentialAssocModelTest, RecordWithoutFieldsGetsTheMostFrequentCurrentItems) {
  EXPECT_EQ((Texts{"1:0.6", "2:0.5", "3:0.4"}), Score(record_));
  EXPECT_EQ("currentItems", TargetName());
  const auto& first = static_cast<const Predictions*>(result_->GetPrediction())->GetVectorValue();
  EXPECT_DOUBLE_EQ(0.6, first[0].GetSupport());
  EXPECT_DOUBLE_EQ(1.0, first[0].GetCause());
  // A null record is a case without fields.
  EXPECT_TRUE(model_->GetScore(nullptr, result_, true).IsOK());
  EXPECT_EQ(3, result_->GetPrediction()->GetInt());
}

TEST_F(SequentialAssocModelTest, OnlyExactlyFutureItemsAsksForFutureItems) {
  record_.SetField("sequence", "(1)");
  record_.SetField("returnType", "futureItems");
  EXPECT_EQ((Texts{"3:0.666667", "2:0.5"}), Score(record_));
  EXPECT_EQ("futureItems", TargetName());
  for (const char* other : {"FutureItems", "futureItems ", "currentItems", "anything"}) {
    record_.SetField("returnType", other);
    EXPECT_EQ((Texts{"2:0.333333"}), Score(record_)) << other;
    EXPECT_EQ("currentItems", TargetName()) << other;
  }
}

TEST_F(SequentialAssocModelTest, MaxReturnLimitsTheList) {
  const struct {
    const char* text;
    size_t expected;
  } rows[] = {{"-3", 3}, {"0", 0}, {"2", 2}, {"", 3}, {"20", 3}};
  for (const auto& row : rows) {
    record_.SetField("maxReturn", row.text);
    EXPECT_EQ(row.expected, Score(record_).size()) << row.text;
  }
}

TEST_F(SequentialAssocModelTest, FromCurrentPresenceAddsShortenedHistories) {
  record_.SetField("sequence", "(1)(2)");
  record_.SetField("returnType", "futureItems");
  EXPECT_EQ((Texts{"3:0.4"}), Score(record_));  // <(2)(3)> / <(2)>
  // Whatever its value, the field lets <(1)(3)> / <(1)> answer for the shortened history.
  for (const char* value : {"", "0", "false"}) {
    record_.SetField("fromCurrent", value);
    EXPECT_EQ((Texts{"3:0.666667"}), Score(record_)) << value;
  }
}

TEST_F(SequentialAssocModelTest, SecondScoreReusesResultAndPrediction) {
  record_.SetField("maxReturn", "1");
  Score(record_);
  const ScoreResult* first = result_;
  const ScoreValue* prediction = result_->GetPrediction();
  record_.SetField("sequence", "(1)");
  record_.SetField("returnType", "futureItems");
  EXPECT_EQ((Texts{"3:0.666667"}), Score(record_));
  EXPECT_EQ(first, result_);
  EXPECT_EQ(prediction, result_->GetPrediction());
  EXPECT_EQ("futureItems", TargetName());
}

TEST_F(SequentialAssocModelTest, ResultsOfOtherKindsAreReplacedOrFilled) {
  bool deleted = false;
  result_ = new ForeignResult(5, &deleted);
  EXPECT_EQ(3u, Score(record_).size());
  EXPECT_TRUE(deleted);
  EXPECT_NE(nullptr, dynamic_cast<SequentialResult*>(result_));
  delete result_;

  // A result that claims to be sequential is kept and given a prediction list.
  deleted = false;
  result_ = new ForeignResult(SequentialResult::kResultType, &deleted);
  ScoreResult* foreign = result_;
  EXPECT_EQ(3u, Score(record_).size());
  EXPECT_EQ(foreign, result_);
  EXPECT_FALSE(deleted);
  result_->SetPrediction(new NumericValue(1.0));
  EXPECT_EQ(3u, Score(record_).size());
}

TEST_F(SequentialAssocModelTest, ModelWithoutDictionaryPredictsNothing) {
  SequentialAssocModel empty;
  record_.SetField("returnType", "futureItems");
  EXPECT_TRUE(empty.GetScore(&record_, result_, false).IsOK());
  EXPECT_EQ(0, result_->GetPrediction()->GetInt());
  EXPECT_EQ("futureItems", TargetName());
}

TEST_F(SequentialAssocModelTest, DisplayListsAtMostTwentyOneEntriesPerLevel) {
  std::vector<testutil::LatticeEntry> entries = {{{}, 30, {}}};
  for (int item = 1; item <= 25; ++item) entries.push_back({{{item}}, 1, {}});
  std::ostringstream out;
  loader_.Load(testutil::LatticeDocument(entries, 30))->Display(out);
  size_t keys = 0;
  for (size_t at = out.str().find("HashCode"); at != std::string::npos;
       at = out.str().find("HashCode", at + 1)) {
    ++keys;
  }
  EXPECT_EQ(1u + 21u, keys);
}

TEST(VectorValueTest, TakesOnlyListsOfItsOwnKindAndComparesByLength) {
  Predictions value({{5, 0.1, 0.2, 0.3}, {6, 0.1, 0.1, 0.1}});
  Predictions other;
  other.SetValue(&value);
  other.SetValue(&other);
  EXPECT_EQ(5, other.GetVectorValue().at(0).GetItem());
  EXPECT_EQ(2, other.Size());
  const NumericValue two(2.0);
  other.SetValue(&two);
  EXPECT_EQ(0, other.Size());
  EXPECT_TRUE(value == two);
  EXPECT_TRUE(value < NumericValue(3.0));
  EXPECT_FALSE(value < two);

  std::unique_ptr<ScoreValue> clone(value.Clone());
  value.SetVectorValue(std::vector<SeqConsequentDescriptor>());
  EXPECT_EQ(2, clone->GetInt());
}

TEST(SequentialResultTest, KeepsAPredictionGivenTwice) {
  SequentialResult result(nullptr);
  auto* prediction = new Predictions();
  result.SetPrediction(prediction);
  result.SetPrediction(prediction);
  EXPECT_EQ(prediction, result.GetPrediction());
  result.SetTargetVarName("futureItems");  // no target: nothing to name
}

}  // namespace
}  // namespace QxQuorvis_940
