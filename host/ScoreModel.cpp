#include "ScoreModel.h"

#include "ScoreDictVar.h"
#include "ScoreDictionary.h"
#include "ScoreVersionInfo.h"

namespace QxQuorvis_940 {

namespace {

// Points *held at `next`, deleting the old object when it was owned and is not `next` itself.
template <typename T>
void Replace(T** held, bool* owned, T* next, bool takeOwnership) {
  if (*owned && *held != next) delete *held;
  *held = next;
  *owned = takeOwnership && next != nullptr;
}

}  // namespace

ScoreModel::~ScoreModel() = default;

BaseModel::BaseModel() = default;

BaseModel::~BaseModel() {
  if (ownsDictionary_) delete dictionary_;
  if (ownsTransformation_) delete transformation_;
  delete resultDictionary_;
  delete versionInfo_;
}

void BaseModel::SetScoreDictionary(ScoreDictionary* dictionary) {
  SetScoreDictionary(dictionary, true);
}

void BaseModel::SetScoreDictionary(ScoreDictionary* dictionary, bool takeOwnership) {
  Replace(&dictionary_, &ownsDictionary_, dictionary, takeOwnership);
}

void BaseModel::SetTransformationScoreDictionary(TransformationDictionary* dictionary) {
  SetTransformationScoreDictionary(dictionary, true);
}

void BaseModel::SetTransformationScoreDictionary(TransformationDictionary* dictionary,
                                                 bool takeOwnership) {
  Replace(&transformation_, &ownsTransformation_, dictionary, takeOwnership);
}

void BaseModel::SetResultScoreDictionary(ScoreDictionary* dictionary) {
  bool owned = true;
  Replace(&resultDictionary_, &owned, dictionary, true);
}

void BaseModel::SetVersionInfo(ScoreVersionInfo* versionInfo) {
  bool owned = true;
  Replace(&versionInfo_, &owned, versionInfo, true);
}

void BaseModel::SetVarRole(const std::string& name, VarRole role) { roles_[name] = role; }

void BaseModel::SetVarRole(const ScoreDictVar* variable, VarRole role) {
  if (variable != nullptr) SetVarRole(variable->GetName(), role);
}

ScoreModel::VarRole BaseModel::GetVarRole(const std::string& name) const {
  const auto found = roles_.find(name);
  return found == roles_.end() ? kNoRole : found->second;
}

ScoreModel::VarRole BaseModel::GetVarRole(const ScoreDictVar* variable) const {
  return variable == nullptr ? kNoRole : GetVarRole(variable->GetName());
}

ScoreDictVar* BaseModel::GetTargetVar() const {
  for (const auto& [name, role] : roles_) {
    if (role != kTarget) continue;
    for (const ScoreDictionary* dictionary : {resultDictionary_, dictionary_}) {
      if (dictionary == nullptr) continue;
      if (ScoreDictVar* variable = dictionary->GetVariable(name)) return variable;
    }
  }
  return nullptr;
}

}  // namespace QxQuorvis_940
