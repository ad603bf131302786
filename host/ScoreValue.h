// The value interface through which the host and its models exchange field values and
// predictions.
#ifndef CARMASEQ_HOST_SCOREVALUE_H_
#define CARMASEQ_HOST_SCOREVALUE_H_

#include <string>

#include "HostExport.h"

namespace QxQuorvis_940 {

// A value of a case-record field or of a prediction. The virtual operations keep this order:
// hosts and plug-ins built apart rely on it. Comparisons take another value of any kind.
class QUORVISHOST_EXPORT ScoreValue {
 public:
  // What GetType reports.
  enum Type { kNumeric = 0, kString = 1, kVector = 2, kDateTime = 3 };

  virtual ~ScoreValue();

  // Takes over the content of `other` as far as this kind of value can hold it; null clears.
  virtual void SetValue(const ScoreValue* other) = 0;
  // Both return a new value with this value's content. Caller owns the result.
  virtual ScoreValue* GetValue() const = 0;
  virtual ScoreValue* Clone() const = 0;

  virtual bool operator==(const ScoreValue& other) const = 0;
  // Equality under the two options; a kind of value ignores an option that means nothing to it.
  virtual bool Equal(const ScoreValue& other, bool ignoreCase, bool missingMatches) const = 0;
  virtual bool operator>(const ScoreValue& other) const = 0;
  virtual bool operator<(const ScoreValue& other) const = 0;
  virtual bool operator<=(const ScoreValue& other) const = 0;
  virtual bool operator>=(const ScoreValue& other) const = 0;

  // Returns true iff the value is the system's missing value.
  virtual bool IsSystemMissingValue() const = 0;
  virtual int GetInt() const = 0;
  virtual double GetDouble() const = 0;
  virtual std::string GetString() const = 0;
  // One of Type, or a kind of the plug-in's own.
  virtual int GetType() const = 0;

 protected:
  ScoreValue() = default;
  ScoreValue(const ScoreValue&) = default;
  ScoreValue& operator=(const ScoreValue&) = default;
};

}  // namespace QxQuorvis_940

#endif  // CARMASEQ_HOST_SCOREVALUE_H_
