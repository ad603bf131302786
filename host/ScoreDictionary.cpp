#include "ScoreDictionary.h"

#include "ScoreDictVar.h"

namespace QxQuorvis_940 {

ScoreDictionary::~ScoreDictionary() = default;

BaseDictionary::BaseDictionary() = default;

BaseDictionary::~BaseDictionary() = default;

bool BaseDictionary::AddVariable(const std::string& name, ScoreDictVar* variable) {
  if (variable == nullptr) return false;
  std::unique_ptr<ScoreDictVar>& slot = variables_[name];
  const bool added = slot == nullptr;
  slot.reset(variable);
  return added;
}

ScoreDictVar* BaseDictionary::GetVariable(const std::string& name) const {
  const auto found = variables_.find(name);
  return found == variables_.end() ? nullptr : found->second.get();
}

TransformationDictionary::TransformationDictionary() = default;

TransformationDictionary::~TransformationDictionary() = default;

}  // namespace QxQuorvis_940
