#include "ScoreCaseRecord.h"

namespace QxQuorvis_940 {

ScoreCaseRecord::~ScoreCaseRecord() = default;

MapCaseRecord::MapCaseRecord() = default;

MapCaseRecord::~MapCaseRecord() = default;

void MapCaseRecord::SetField(const std::string& name, const std::string& text) {
  const auto found = fields_.find(name);
  if (found == fields_.end()) {
    fields_.emplace(name, StringValue(text));
  } else {
    found->second = StringValue(text);
  }
}

const ScoreValue* MapCaseRecord::GetFieldValue(const std::string& name) const {
  const auto found = fields_.find(name);
  return found == fields_.end() ? nullptr : &found->second;
}

}  // namespace QxQuorvis_940
