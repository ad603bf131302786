// The result the sequential model gives for one case record.
#ifndef CARMASEQ_SCORING_SEQUENTIALRESULT_H_
#define CARMASEQ_SCORING_SEQUENTIALRESULT_H_

#include <memory>
#include <string>

#include "ScoreResult.h"
#include "scoring/ScoringExport.h"

namespace QxQuorvis_940 {

class ScoreDictVar;
class ScoreValue;

// A prediction (the ranked items, a VectorValue of SeqConsequentDescriptor) and the target
// variable it predicts, named "futureItems" or "currentItems" after the kind of prediction.
// Owns both. A result has no confidence of its own. Not copyable.
class CARMASEQ_SCORING_EXPORT SequentialResult : public ScoreResult {
 public:
  // What GetScoreResultType reports for every sequential result.
  static constexpr int kResultType = 13;

  // Takes ownership of target (may be null); no prediction yet.
  explicit SequentialResult(ScoreDictVar* target);
  ~SequentialResult() override;
  SequentialResult(const SequentialResult&) = delete;
  SequentialResult& operator=(const SequentialResult&) = delete;

  // Deletes the old prediction (unless it is `prediction` itself) and takes ownership of the new
  // one, which may be null.
  void SetPrediction(ScoreValue* prediction) override;
  ScoreValue* GetPrediction() const override { return prediction_.get(); }
  ScoreDictVar* GetTarget() const override { return target_.get(); }
  // Does nothing: the confidences belong to the predicted items.
  void SetConfidence(double confidence) override;
  // Always -1.0.
  double GetConfidence() const override { return -1.0; }
  int GetScoreResultType() const override { return kResultType; }

  // Gives the target `name`; does nothing without a target.
  void SetTargetVarName(const std::string& name);

 private:
  std::unique_ptr<ScoreDictVar> target_;
  std::unique_ptr<ScoreValue> prediction_;
};

}  // namespace QxQuorvis_940

#endif  // CARMASEQ_SCORING_SEQUENTIALRESULT_H_
