// Case records: the named fields of one case that a model scores.
#ifndef CARMASEQ_HOST_SCORECASERECORD_H_
#define CARMASEQ_HOST_SCORECASERECORD_H_

#include <map>
#include <string>

#include "HostExport.h"
#include "StringValue.h"

namespace QxQuorvis_940 {

class ScoreValue;

// One case: field values by field name.
class QUORVISHOST_EXPORT ScoreCaseRecord {
 public:
  virtual ~ScoreCaseRecord();

  // The value of the field `name`, or null when the record has no such field. The record keeps
  // ownership; the value stays valid until the record changes.
  virtual const ScoreValue* GetFieldValue(const std::string& name) const = 0;

 protected:
  ScoreCaseRecord() = default;
};

// A case record held in memory, each field a StringValue, as records read from text files
// arrive. Field names are case-sensitive. Copyable.
class QUORVISHOST_EXPORT MapCaseRecord : public ScoreCaseRecord {
 public:
  MapCaseRecord();
  ~MapCaseRecord() override;
  MapCaseRecord(const MapCaseRecord&) = default;
  MapCaseRecord& operator=(const MapCaseRecord&) = default;

  // Sets the field `name` to `text`, replacing its old value.
  void SetField(const std::string& name, const std::string& text);
  // Removes all fields.
  void Clear() { fields_.clear(); }

  const ScoreValue* GetFieldValue(const std::string& name) const override;

 private:
  std::map<std::string, StringValue> fields_;
};

}  // namespace QxQuorvis_940

#endif  // CARMASEQ_HOST_SCORECASERECORD_H_
