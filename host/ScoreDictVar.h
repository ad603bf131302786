// Variables of a host dictionary.
#ifndef CARMASEQ_HOST_SCOREDICTVAR_H_
#define CARMASEQ_HOST_SCOREDICTVAR_H_

#include <string>

#include "HostExport.h"

namespace QxQuorvis_940 {

// A named variable that a model knows: an item it can predict or the target of its results,
// with an optional mapped value (the item's name in the user's terms).
class QUORVISHOST_EXPORT ScoreDictVar {
 public:
  // The numbers are part of the host's interface.
  enum VariableType { kItem = 0, kResultTarget = 2 };

  virtual ~ScoreDictVar();

  virtual const std::string& GetName() const = 0;
  virtual void SetName(const std::string& name) = 0;
  virtual VariableType GetVariableType() const = 0;
  // Empty until set.
  virtual const std::string& GetMappedValue() const = 0;
  virtual void SetMappedValue(const std::string& mappedValue) = 0;

 protected:
  ScoreDictVar() = default;
};

// The host's variable. Copyable.
class QUORVISHOST_EXPORT DictVar : public ScoreDictVar {
 public:
  DictVar(const std::string& name, VariableType type) : name_(name), type_(type) {}
  ~DictVar() override;
  DictVar(const DictVar&) = default;
  DictVar& operator=(const DictVar&) = default;

  const std::string& GetName() const override { return name_; }
  void SetName(const std::string& name) override { name_ = name; }
  VariableType GetVariableType() const override { return type_; }
  const std::string& GetMappedValue() const override { return mappedValue_; }
  void SetMappedValue(const std::string& mappedValue) override { mappedValue_ = mappedValue; }

 private:
  std::string name_;
  VariableType type_;
  std::string mappedValue_;
};

}  // namespace QxQuorvis_940

#endif  // CARMASEQ_HOST_SCOREDICTVAR_H_
