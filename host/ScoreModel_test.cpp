#include "ScoreModel.h"

#include <gtest/gtest.h>

#include <ostream>

#include "ScoreDictVar.h"
#include "ScoreDictionary.h"
#include "ScoreVersionInfo.h"

namespace QxQuorvis_940 {
namespace {

// The least model: BaseModel with the operations each model adds filled in.
class FakeModel : public BaseModel {
 public:
  void SetPredictionOnly(bool) override {}
  std::vector<ScoreDictVar*>* GetVarsOfRole(VarRole) const override { return nullptr; }
  QxScore::QxStatus GetScore(const ScoreCaseRecord*, ScoreResult*&, bool) override {
    return QxScore::QxStatus();
  }
  int GetModelType() const override { return 0; }
  bool GetPredictionOnly() const override { return true; }
  void Display(std::ostream&) const override {}
};

int deaths = 0;
// Counts its own destructions in `deaths`.
struct CountedDictionary : BaseDictionary {
  ~CountedDictionary() override { ++deaths; }
};

TEST(BaseModelTest, OwnsWhatItIsGivenUnlessTold) {
  deaths = 0;
  CountedDictionary borrowed;
  {
    FakeModel model;
    model.SetScoreDictionary(new CountedDictionary());
    model.SetScoreDictionary(new CountedDictionary());  // Deletes the first.
    model.SetScoreDictionary(model.GetDictionary());    // The same one again: kept.
    EXPECT_EQ(1, deaths);
    model.SetScoreDictionary(&borrowed, false);
    EXPECT_EQ(2, deaths);
    model.SetResultScoreDictionary(new CountedDictionary());
    model.SetVersionInfo(new VersionInfo("1.2.1"));
    model.SetVersionInfo(new VersionInfo("1.2.2"));
    EXPECT_EQ("1.2.2", model.GetVersionInfo()->GetVersionText());
  }
  EXPECT_EQ(3, deaths);  // The result dictionary; never the borrowed one.
}

TEST(BaseModelTest, TargetRoleAndVariableReplacement) {
  FakeModel model;
  auto* items = new BaseDictionary;
  items->AddVariable("7", new DictVar("7", ScoreDictVar::kItem));
  auto* results = new BaseDictionary;
  auto* target = new DictVar("currentItems", ScoreDictVar::kResultTarget);
  results->AddVariable("currentItems", target);
  model.SetScoreDictionary(items);
  model.SetResultScoreDictionary(results);
  EXPECT_EQ(nullptr, model.GetTargetVar());
  model.SetVarRole("7", ScoreModel::kInput);
  model.SetVarRole(target, ScoreModel::kTarget);
  EXPECT_EQ(ScoreModel::kTarget, model.GetVarRole("currentItems"));
  EXPECT_EQ(ScoreModel::kInput, model.GetVarRole(items->GetVariable("7")));
  EXPECT_EQ(ScoreModel::kNoRole, model.GetVarRole("8"));
  EXPECT_EQ(target, model.GetTargetVar());
  model.SetVarRole("currentItems", ScoreModel::kSupplementary);
  model.SetVarRole("7", ScoreModel::kTarget);
  EXPECT_EQ(items->GetVariable("7"), model.GetTargetVar());
  BaseDictionary dictionary;
  EXPECT_TRUE(dictionary.AddVariable("5", new DictVar("5", ScoreDictVar::kItem)));
  auto* second = new DictVar("5", ScoreDictVar::kItem);
  EXPECT_FALSE(dictionary.AddVariable("5", second));  // Deletes the first.
  second->SetMappedValue("beer");                     // Still valid after the add.
  EXPECT_FALSE(dictionary.AddVariable("6", nullptr));
  EXPECT_EQ(1, dictionary.GetNumberOfVariables());
  EXPECT_EQ("beer", dictionary.GetVariable("5")->GetMappedValue());
}

}  // namespace
}  // namespace QxQuorvis_940
