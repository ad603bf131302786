// Scoring models: what the host asks for a score per case record.
#ifndef CARMASEQ_HOST_SCOREMODEL_H_
#define CARMASEQ_HOST_SCOREMODEL_H_

#include <iosfwd>
#include <map>
#include <string>
#include <vector>

#include "HostExport.h"
#include "ScoreStatus.h"

namespace QxQuorvis_940 {

class ScoreCaseRecord;
class ScoreDictionary;
class ScoreDictVar;
class ScoreResult;
class ScoreVersionInfo;
class TransformationDictionary;

// A model that scores case records. A translator makes it from a document; the host owns it.
// The virtual operations keep this order: hosts and plug-ins built apart rely on it.
//
// No exception may leave a model: GetScore reports trouble in its status.
class QUORVISHOST_EXPORT ScoreModel {
 public:
  // What a variable is to the model.
  enum VarRole { kNoRole = 0, kInput = 1, kTarget = 2, kSupplementary = 3 };
  // What the model does with a missing field value.
  enum MVPolicy { kMissingAsValue = 0, kMissingSkipsCase = 1 };

  virtual ~ScoreModel();

  // Gives the model the dictionary of the variables it knows, which it then owns; may be null.
  virtual void SetScoreDictionary(ScoreDictionary* dictionary) = 0;
  // Gives the model the variables it derives before scoring, which it then owns; may be null.
  virtual void SetTransformationScoreDictionary(TransformationDictionary* dictionary) = 0;
  // Gives the model the dictionary of its result variables, which it then owns; may be null.
  virtual void SetResultScoreDictionary(ScoreDictionary* dictionary) = 0;
  virtual void SetVarRole(const std::string& name, VarRole role) = 0;
  // The same for the variable's name. A null variable is ignored.
  virtual void SetVarRole(const ScoreDictVar* variable, VarRole role) = 0;
  virtual void SetMissingValuePolicy(MVPolicy policy) = 0;
  // Gives the model its version info, which it then owns; may be null.
  virtual void SetVersionInfo(ScoreVersionInfo* versionInfo) = 0;
  virtual void SetPredictionOnly(bool predictionOnly) = 0;
  // kNoRole for a name that was given no role.
  virtual VarRole GetVarRole(const std::string& name) const = 0;
  virtual VarRole GetVarRole(const ScoreDictVar* variable) const = 0;
  // The model keeps ownership of what the getters return.
  virtual ScoreVersionInfo* GetVersionInfo() const = 0;
  // The variables that have `role`, or null when the model lists none. Caller owns the vector,
  // not the variables.
  virtual std::vector<ScoreDictVar*>* GetVarsOfRole(VarRole role) const = 0;
  virtual ScoreDictVar* GetTargetVar() const = 0;
  virtual ScoreDictionary* GetDictionary() const = 0;
  virtual TransformationDictionary* GetTransformationDictionary() const = 0;
  virtual ScoreDictionary* GetResultDictionary() const = 0;
  // Scores `record` (null: a case without fields) into *result. The model may reuse *result when
  // it is of its own kind; otherwise it deletes it and stores a new one. Caller owns *result.
  // With `validateRecord` the host asks for the record to be checked first; a model may ignore it.
  virtual QxScore::QxStatus GetScore(const ScoreCaseRecord* record, ScoreResult*& result,
                                     bool validateRecord) = 0;
  virtual MVPolicy GetMissingValuePolicy() const = 0;
  // A number fixed per model class.
  virtual int GetModelType() const = 0;
  virtual bool GetPredictionOnly() const = 0;
  // A debug listing of the model.
  virtual void Display(std::ostream& out) const = 0;
  // As above; the model owns `dictionary` iff takeOwnership.
  virtual void SetScoreDictionary(ScoreDictionary* dictionary, bool takeOwnership) = 0;
  virtual void SetTransformationScoreDictionary(TransformationDictionary* dictionary,
                                                bool takeOwnership) = 0;

 protected:
  ScoreModel() = default;
};

// The host's base of every model: keeps the dictionaries, version info, roles and missing-value
// policy that it is given. It owns every dictionary and version info it is given, except one
// given with takeOwnership false; giving a new one deletes the old one it owns. Models derive from
// it and add their own operations: those ScoreModel leaves pure here. Not copyable.
class QUORVISHOST_EXPORT BaseModel : public ScoreModel {
 public:
  BaseModel();
  ~BaseModel() override;
  BaseModel(const BaseModel&) = delete;
  BaseModel& operator=(const BaseModel&) = delete;

  void SetScoreDictionary(ScoreDictionary* dictionary) override;
  void SetTransformationScoreDictionary(TransformationDictionary* dictionary) override;
  void SetResultScoreDictionary(ScoreDictionary* dictionary) override;
  void SetVarRole(const std::string& name, VarRole role) override;
  void SetVarRole(const ScoreDictVar* variable, VarRole role) override;
  void SetMissingValuePolicy(MVPolicy policy) override { policy_ = policy; }
  void SetVersionInfo(ScoreVersionInfo* versionInfo) override;
  VarRole GetVarRole(const std::string& name) const override;
  VarRole GetVarRole(const ScoreDictVar* variable) const override;
  ScoreVersionInfo* GetVersionInfo() const override { return versionInfo_; }
  // The variable of the first name (in name order) whose role is kTarget, looked up in the
  // result dictionary and then in the score dictionary; null when there is none.
  ScoreDictVar* GetTargetVar() const override;
  ScoreDictionary* GetDictionary() const override { return dictionary_; }
  TransformationDictionary* GetTransformationDictionary() const override { return transformation_; }
  ScoreDictionary* GetResultDictionary() const override { return resultDictionary_; }
  MVPolicy GetMissingValuePolicy() const override { return policy_; }
  void SetScoreDictionary(ScoreDictionary* dictionary, bool takeOwnership) override;
  void SetTransformationScoreDictionary(TransformationDictionary* dictionary,
                                        bool takeOwnership) override;

 private:
  ScoreDictionary* dictionary_ = nullptr;
  bool ownsDictionary_ = false;
  TransformationDictionary* transformation_ = nullptr;
  bool ownsTransformation_ = false;
  ScoreDictionary* resultDictionary_ = nullptr;  // Owned.
  ScoreVersionInfo* versionInfo_ = nullptr;      // Owned.
  std::map<std::string, VarRole> roles_;
  MVPolicy policy_ = kMissingAsValue;
};

}  // namespace QxQuorvis_940

#endif  // CARMASEQ_HOST_SCOREMODEL_H_
