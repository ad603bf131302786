// The result a model gives for one case record.
#ifndef CARMASEQ_HOST_SCORERESULT_H_
#define CARMASEQ_HOST_SCORERESULT_H_

#include "HostExport.h"

namespace QxQuorvis_940 {

class ScoreDictVar;
class ScoreValue;

// The prediction for one case and the variable it is a prediction of. Each model has its own
// result class, which states what it owns. The virtual operations keep this order: hosts and
// plug-ins built apart rely on it.
class QUORVISHOST_EXPORT ScoreResult {
 public:
  virtual ~ScoreResult();

  // Replaces the prediction with `prediction`.
  virtual void SetPrediction(ScoreValue* prediction) = 0;
  // The prediction, or null; the result keeps ownership.
  virtual ScoreValue* GetPrediction() const = 0;
  // The target variable, or null; the result keeps ownership.
  virtual ScoreDictVar* GetTarget() const = 0;
  virtual void SetConfidence(double confidence) = 0;
  virtual double GetConfidence() const = 0;
  // The kind of result, a number fixed per model class.
  virtual int GetScoreResultType() const = 0;

 protected:
  ScoreResult() = default;
};

}  // namespace QxQuorvis_940

#endif  // CARMASEQ_HOST_SCORERESULT_H_
