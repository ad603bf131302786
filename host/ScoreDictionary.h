// Host dictionaries: the variables a model knows, by name.
#ifndef CARMASEQ_HOST_SCOREDICTIONARY_H_
#define CARMASEQ_HOST_SCOREDICTIONARY_H_

#include <map>
#include <memory>
#include <string>

#include "HostExport.h"

namespace QxQuorvis_940 {

class ScoreDictVar;

// Variables by name. The dictionary owns its variables.
class QUORVISHOST_EXPORT ScoreDictionary {
 public:
  virtual ~ScoreDictionary();

  // Takes ownership of `variable` and holds it under `name`, deleting any variable held under that
  // name before; `variable` stays valid while the dictionary holds it. A null variable is
  // ignored. Returns true iff no variable was held under `name` before.
  virtual bool AddVariable(const std::string& name, ScoreDictVar* variable) = 0;
  // The variable held under `name`, or null. The dictionary keeps ownership.
  virtual ScoreDictVar* GetVariable(const std::string& name) const = 0;
  virtual int GetNumberOfVariables() const = 0;

 protected:
  ScoreDictionary() = default;
};

// The host's dictionary. Not copyable.
class QUORVISHOST_EXPORT BaseDictionary : public ScoreDictionary {
 public:
  BaseDictionary();
  ~BaseDictionary() override;
  BaseDictionary(const BaseDictionary&) = delete;
  BaseDictionary& operator=(const BaseDictionary&) = delete;

  bool AddVariable(const std::string& name, ScoreDictVar* variable) override;
  ScoreDictVar* GetVariable(const std::string& name) const override;
  int GetNumberOfVariables() const override { return static_cast<int>(variables_.size()); }

 private:
  std::map<std::string, std::unique_ptr<ScoreDictVar>> variables_;
};

// The variables a model derives from a record's fields before scoring. Models that derive none
// are simply given none.
class QUORVISHOST_EXPORT TransformationDictionary : public BaseDictionary {
 public:
  TransformationDictionary();
  ~TransformationDictionary() override;
};

}  // namespace QxQuorvis_940

#endif  // CARMASEQ_HOST_SCOREDICTIONARY_H_
