#include "scoring/SequentialResult.h"

#include "ScoreDictVar.h"
#include "ScoreValue.h"

namespace QxQuorvis_940 {

SequentialResult::SequentialResult(ScoreDictVar* target) : target_(target) {}

SequentialResult::~SequentialResult() = default;

void SequentialResult::SetPrediction(ScoreValue* prediction) {
  if (prediction == prediction_.get()) return;
  prediction_.reset(prediction);
}

void SequentialResult::SetConfidence(double /*confidence*/) {}

void SequentialResult::SetTargetVarName(const std::string& name) {
  if (target_ != nullptr) target_->SetName(name);
}

}  // namespace QxQuorvis_940
